// Load and save of a full users.dat (32767 users, every text field 31
// characters) beside a pure TEA pass over the same number of sealed bytes.
// After the run it prints each file operation's time as a multiple of the
// TEA pass. The file lives in WARDEN_BENCH_DIR (default: the system's
// temporary directory); saves include the flushes to the disk.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "accounts/account_file.h"
#include "accounts/field_cipher.h"
#include "platform/posix_path.h"

namespace {

using warden::AccountRecord;
using warden::CUser;

constexpr int kUsers = warden::kMaxAccounts;
constexpr int kFieldsPerUser = 4;       // group, name, password, comment
constexpr std::size_t kFieldChars = 31;
constexpr std::size_t kSealedBytes = 8 + (2 * kFieldChars + 7) / 8 * 8;  // 72

std::u16string Field(int user, char16_t kind) {
  std::u16string text(kFieldChars, kind);
  for (std::size_t i = 0; i < 6; ++i) text[i] = static_cast<char16_t>(u'0' + (user >> (3 * i)) % 8);
  return text;
}

std::vector<AccountRecord> FullTable() {
  std::vector<AccountRecord> table(kUsers);
  for (int i = 0; i < kUsers; ++i) {
    AccountRecord& r = table[i];
    r.type = warden::kTypeUser;
    r.sectionid[i % warden::kZoneCount] = 1;
    r.groupname = Field(i, u'g');
    r.username = Field(i, u'u');
    r.password = Field(i, u'p');
    r.usercomment = Field(i, u'c');
    r.userpri = static_cast<std::int16_t>(i % 1000);
    r.limitTime = i % 256;
  }
  return table;
}

// Points the install directory at a fresh folder through the POSIX profile.
class BenchDirectory {
 public:
  BenchDirectory() {
    const char* base = std::getenv("WARDEN_BENCH_DIR");
    dir_ = std::filesystem::path(base && *base ? base : std::filesystem::temp_directory_path()) /
           "warden-bench";
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "win.ini") << "[Velm50]\nApplicationDirectory=" << dir_.string() << "/\n";
    setenv("WARDEN_WIN_INI", (dir_ / "win.ini").c_str(), 1);
  }
  ~BenchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }

 private:
  std::filesystem::path dir_;
};

BenchDirectory& Directory() {
  static BenchDirectory directory;
  return directory;
}

void BM_SaveUsers(benchmark::State& state) {
  Directory();
  CUser store;
  store.m_pUser = FullTable();
  for (auto _ : state) {
    if (warden::SaveAccountFile(store) != warden::kFileOk) state.SkipWithError("save failed");
  }
}

void BM_LoadUsers(benchmark::State& state) {
  Directory();
  CUser store;
  store.m_pUser = FullTable();
  if (warden::SaveAccountFile(store) != warden::kFileOk) state.SkipWithError("save failed");
  for (auto _ : state) {
    if (warden::LoadAccountFile(store, nullptr) != warden::kFileOk || store.UserCount() != kUsers) {
      state.SkipWithError("load failed");
    }
  }
}

// Deciphers every sealed field once, field by field, as a load must.
void BM_TeaPass(benchmark::State& state) {
  std::vector<std::uint8_t> sealed(static_cast<std::size_t>(kUsers) * kFieldsPerUser * kSealedBytes, 0x5A);
  for (auto _ : state) {
    for (std::size_t at = 0; at < sealed.size(); at += kSealedBytes) {
      warden::TeaDecryptBuffer(sealed.data() + at, kSealedBytes, warden::FieldKey());
    }
    benchmark::DoNotOptimize(sealed.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * sealed.size()));
}

BENCHMARK(BM_TeaPass)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadUsers)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveUsers)->Unit(benchmark::kMillisecond);

// Prints as usual and keeps each benchmark's times (the median when
// repeated) for the ratios to the TEA pass.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Iteration || run.aggregate_name == "median") {
        times_[run.run_name.function_name] = {run.GetAdjustedRealTime(), run.GetAdjustedCPUTime()};
      }
    }
    ConsoleReporter::ReportRuns(runs);
  }
  void PrintRatios() const {
    const auto tea = times_.find("BM_TeaPass");
    if (tea == times_.end()) return;
    for (const char* name : {"BM_LoadUsers", "BM_SaveUsers"}) {
      const auto it = times_.find(name);
      if (it == times_.end()) continue;
      std::printf("%s / BM_TeaPass: real time %.2f, CPU time %.2f\n", name,
                  it->second.first / tea->second.first, it->second.second / tea->second.second);
    }
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintRatios();
  benchmark::Shutdown();
  return 0;
}
