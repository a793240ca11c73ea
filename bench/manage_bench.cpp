// Opening the manage dialog (headless backend) on a full table: 1000 groups
// of 31 users and 767 group-less users, 32767 records. Also the load alone
// and the tree's shape alone, so the tree's own share can be read off.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "accounts/account_file.h"
#include "dialogs/account_tree.h"
#include "dialogs/manage_dialog.h"
#include "platform/text.h"
#include "platform/ui_headless.h"
#include "resources/resource_ids.h"
#include "shell/language.h"
#include "zones/zone_file.h"

namespace {

using warden::AccountRecord;
namespace hl = warden::platform::headless;

constexpr int kGroups = 1000;
constexpr int kUsersPerGroup = 31;

std::u16string Name(const char* prefix, int n) {
  return warden::platform::FromUtf8(prefix + std::to_string(n));
}

std::vector<AccountRecord> FullTable() {
  std::vector<AccountRecord> table;
  for (int g = 0; g < kGroups; ++g) {
    AccountRecord group;
    group.type = warden::kTypeGroup;
    group.groupname = Name("group ", g);
    table.push_back(group);
    for (int u = 0; u < kUsersPerGroup; ++u) {
      AccountRecord user;
      user.type = warden::kTypeUser;
      user.groupname = group.groupname;
      user.username = Name("user ", g * kUsersPerGroup + u);
      table.push_back(user);
    }
  }
  for (int n = 0; table.size() < static_cast<std::size_t>(warden::kMaxAccounts); ++n) {
    AccountRecord user;
    user.type = warden::kTypeUser;
    user.username = Name("loose ", n);
    table.push_back(user);
  }
  return table;
}

warden::DataLocation Here() { return warden::DataLocation::Install(warden::GetInstallDirectory()); }

// Writes the table to a fresh install directory named through the POSIX profile.
void PrepareInstallDirectory() {
  static bool done = false;
  if (done) return;
  done = true;
  const auto dir = std::filesystem::temp_directory_path() / "warden-manage-bench";
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "win.ini") << "[Velm50]\nApplicationDirectory=" << dir.string() << "/\n";
  setenv("WARDEN_WIN_INI", (dir / "win.ini").c_str(), 1);
  warden::CUser writer;
  writer.m_pUser = FullTable();
  if (warden::SaveAccountFile(writer, Here()) != warden::kFileOk ||
      warden::LoadSectionFile(writer, Here()) != warden::kFileOk) {
    std::fprintf(stderr, "cannot write the bench files in %s\n", dir.c_str());
    std::exit(1);
  }
}

void BM_LoadAccountFile(benchmark::State& state) {
  PrepareInstallDirectory();
  for (auto _ : state) warden::LoadAccountFile(warden::ApplicationStore(), Here());
}

void BM_BuildAccountTree(benchmark::State& state) {
  const std::vector<AccountRecord> table = FullTable();
  for (auto _ : state) benchmark::DoNotOptimize(warden::BuildAccountTree(table));
}

// Opens the dialog once and counts the tree's items (outside the timing:
// reading the whole outline back is the test driver's cost, not the dialog's).
std::size_t ShownItems() {
  std::size_t items = 0;
  hl::Reset();
  hl::Push(hl::ExpectDialog(IDD_MANAGE), [&items](hl::Driver& d) {
    items = d.TreeOutline(IDC_ACCOUNT_TREE).size();
    d.Cancel();
  });
  warden::CManageDialog(nullptr, warden::ApplicationStore(), Here()).DoModal();
  return items;
}

void BM_OpenManageDialog(benchmark::State& state) {
  PrepareInstallDirectory();
  // Every record is shown exactly once: each user under its group or at the root.
  if (ShownItems() != static_cast<std::size_t>(warden::kMaxAccounts)) {
    state.SkipWithError("the tree does not show every record once");
    return;
  }
  for (auto _ : state) {
    hl::Reset();
    hl::Push(hl::ExpectDialog(IDD_MANAGE), hl::PressCancel());
    warden::CManageDialog(nullptr, warden::ApplicationStore(), Here()).DoModal();
  }
}

}  // namespace

BENCHMARK(BM_LoadAccountFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildAccountTree)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenManageDialog)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
