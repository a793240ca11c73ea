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
#include "shell/language.h"
#include "storage/field_cipher.h"

namespace {

constexpr int kUsers = warden::kMaxAccounts;
constexpr int kFieldsPerUser = 4;  // group, name, password, comment
constexpr std::size_t kFieldChars = 31;
constexpr std::size_t kSealedBytes = 8 + (2 * kFieldChars + 7) / 8 * 8;  // 72

warden::CUser FullStore() {
  const auto field = [](int user, char16_t kind) {
    std::u16string text(kFieldChars, kind);
    for (int i = 0; i < 6; ++i) text[i] = static_cast<char16_t>(u'0' + (user >> (3 * i)) % 8);
    return text;
  };
  warden::CUser store;
  store.m_pUser.emplace(kUsers);
  for (int i = 0; i < kUsers; ++i) {
    warden::AccountRecord& r = (*store.m_pUser)[i];
    r = {warden::kTypeUser,
         {},
         field(i, u'g'),
         field(i, u'u'),
         field(i, u'p'),
         field(i, u'c'),
         static_cast<std::int16_t>(i % 1000),
         i % 256,
         u""};
    r.sectionid[i % warden::kZoneCount] = 1;
  }
  return store;
}

// Points the install directory at a fresh folder through the POSIX profile,
// once for the whole run; removed at exit.
void UseBenchDirectory() {
  static const struct Directory {
    std::filesystem::path dir;
    Directory() {
      const char* base = std::getenv("WARDEN_BENCH_DIR");
      dir = std::filesystem::path(base && *base ? base : std::filesystem::temp_directory_path()) /
            "warden-bench";
      std::filesystem::create_directories(dir);
      std::ofstream(dir / "win.ini") << "[Velm50]\nApplicationDirectory=" << dir.string() << "/\n";
      setenv("WARDEN_WIN_INI", (dir / "win.ini").c_str(), 1);
    }
    ~Directory() {
      std::error_code ignored;
      std::filesystem::remove_all(dir, ignored);
    }
  } directory;
}

warden::DataLocation Here() { return warden::DataLocation::Install(warden::GetInstallDirectory()); }

void BM_SaveUsers(benchmark::State& state) {
  UseBenchDirectory();
  warden::CUser store = FullStore();
  for (auto _ : state) {
    if (warden::SaveAccountFile(store, Here()) != warden::kFileOk)
      state.SkipWithError("save failed");
  }
}

void BM_LoadUsers(benchmark::State& state) {
  UseBenchDirectory();
  warden::CUser store = FullStore();
  if (warden::SaveAccountFile(store, Here()) != warden::kFileOk) state.SkipWithError("save failed");
  for (auto _ : state) {
    if (warden::LoadAccountFile(store, Here()) != warden::kFileOk || store.UserCount() != kUsers) {
      state.SkipWithError("load failed");
    }
  }
}

// Deciphers every sealed field once, field by field, as a load must.
void BM_TeaPass(benchmark::State& state) {
  std::vector<std::uint8_t> sealed(std::size_t{kUsers} * kFieldsPerUser * kSealedBytes, 0x5A);
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

// Prints as usual and keeps each benchmark's real and CPU times (the median
// when repeated) for the ratios to the TEA pass.
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
  void PrintRatios() {
    if (!times_.count("BM_TeaPass")) return;
    const auto tea = times_["BM_TeaPass"];
    for (const char* name : {"BM_LoadUsers", "BM_SaveUsers"}) {
      if (!times_.count(name)) continue;
      std::printf("%s / BM_TeaPass: real time %.2f, CPU time %.2f\n", name,
                  times_[name].first / tea.first, times_[name].second / tea.second);
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
