// wardenctl on a full table of 32767 records (1000 groups of 31 users, the
// rest group-less; every user with a password and a comment): list and
// verify beside loading the file, import with every editor rule, dry and
// saved.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "accounts/account_file.h"
#include "platform/posix_path.h"
#include "platform/text.h"
#include "tools/wardenctl/wardenctl.h"
#include "zones/zone_file.h"

namespace {

using warden::AccountRecord;
namespace fs = std::filesystem;

AccountRecord Account(std::int16_t type, const std::string& name, const std::u16string& group) {
  AccountRecord record;
  record.type = type;
  record.groupname = group;
  if (type == warden::kTypeUser) {
    record.username = warden::platform::FromUtf8(name);
    record.password = u"s3cret-pass";
    record.usercomment = u"operator of the bench line";
    record.userpri = 100;
    record.limitTime = 30;
  } else {
    record.groupname = warden::platform::FromUtf8(name);
  }
  record.sectionid[1] = 1;
  return record;
}

std::vector<AccountRecord> FullTable() {
  std::vector<AccountRecord> table;
  for (int g = 0; g < 1000; ++g) {
    table.push_back(Account(warden::kTypeGroup, "group " + std::to_string(g), u""));
    for (int u = 0; u < 31; ++u) {
      table.push_back(
          Account(warden::kTypeUser, "user " + std::to_string(g * 31 + u), table.back().groupname));
    }
  }
  for (int n = 0; table.size() < static_cast<std::size_t>(warden::kMaxAccounts); ++n) {
    table.push_back(Account(warden::kTypeUser, "loose " + std::to_string(n), u""));
  }
  return table;
}

const fs::path& Dir() {
  static const fs::path dir = fs::temp_directory_path() / "warden-ctl-bench";
  return dir;
}

warden::DataLocation Here() {
  return warden::DataLocation::Install(warden::platform::CorePath(Dir().string()));
}

int Ctl(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  std::istringstream in;
  std::vector<std::string> all = {"--dir", Dir().string()};
  all.insert(all.end(), args.begin(), args.end());
  return warden::ctl::RunWardenctl(all, {out, err, in, false});
}

// users.dat and section.dat of the full table, no users.bak; the table's
// export in export.json.
void Prepare() {
  static bool done = false;
  if (done) return;
  done = true;
  fs::remove_all(Dir());
  fs::create_directories(Dir());
  warden::CUser writer;
  writer.m_pUser = FullTable();
  std::ostringstream out, err;
  std::istringstream in;
  if (warden::SaveAccountFile(writer, Here()) != warden::kFileOk ||
      warden::LoadSectionFile(writer, Here()) != warden::kFileOk ||
      warden::ctl::RunWardenctl({"--dir", Dir().string(), "export", "--with-passwords"},
                                {out, err, in, false}) != 0) {
    std::fprintf(stderr, "cannot write the bench files in %s\n", Dir().c_str());
    std::exit(1);
  }
  std::ofstream(Dir() / "export.json") << out.str();
}

void Check(benchmark::State& state, int code) {
  if (code != 0) state.SkipWithError("wardenctl failed");
}

void BM_LoadAccountFile(benchmark::State& state) {
  Prepare();
  for (auto _ : state) {
    warden::CUser store;
    benchmark::DoNotOptimize(warden::LoadAccountFile(store, Here()));
  }
}

void BM_List(benchmark::State& state) {
  Prepare();
  for (auto _ : state) Check(state, Ctl({"list"}));
}

void BM_Verify(benchmark::State& state) {
  Prepare();
  fs::remove(Dir() / "users.bak");
  for (auto _ : state) Check(state, Ctl({"verify"}));
}

void BM_ImportDryRun(benchmark::State& state) {
  Prepare();
  const std::string file = (Dir() / "export.json").string();
  for (auto _ : state) Check(state, Ctl({"import", "--dry-run", file}));
}

void BM_Import(benchmark::State& state) {
  Prepare();
  const std::string file = (Dir() / "export.json").string();
  for (auto _ : state) Check(state, Ctl({"import", file}));
}

}  // namespace

BENCHMARK(BM_LoadAccountFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_List)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Verify)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ImportDryRun)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Import)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
