// Two tables of 32767 records (1000 groups of 31 users, then group-less
// users) in WARDEN_BENCH_DIR (default: the temporary directory): "full",
// every text field 31 characters (a 43 MB users.dat), and "plain", short
// names as a plant has them. Measured: a pure TEA pass over as many sealed
// fields as loading the full table deciphers, loading and saving it (one
// account changed, the save not recorded and recorded; saves include the
// flushes); on the plain table the manage dialog's opening on
// the headless backend, and wardenctl list, verify and import. The goals are ratios of CPU times:
// the full load and save to the TEA pass, wardenctl list and verify to loading the plain table.
// `wardenctl history verify` walks a trail of 100 000 saves (goal: under 1 s);
// a recorded save at most 1.3 times one not recorded, the record under 1 KB.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "accounts/account_file.h"
#include "dialogs/manage_dialog.h"
#include "history/history_files.h"
#include "history/history_observer.h"
#include "history/table_diff.h"
#include "history/timestamp.h"
#include "history/trail_line.h"
#include "platform/posix_path.h"
#include "resources/resource_ids.h"
#include "storage/directory_text.h"
#include "storage/field_cipher.h"
#include "tests/support/trail_lines.h"
#include "tools/wardenctl/transfer.h"
#include "tools/wardenctl/wardenctl.h"
#include "ui/headless_driver.h"
#include "zones/zone_file.h"

namespace {

using warden::AccountRecord;
namespace fs = std::filesystem;
namespace hl = warden::ui::headless;

constexpr int kGroups = 1000, kUsersPerGroup = 31;
constexpr std::size_t kFieldChars = 31;

enum Table { kFull, kPlain };

// 31 characters of `kind`, the first six spelling `n` in octal (unique), or
// those six and one `kind`.
std::u16string Field(Table table, int n, char16_t kind) {
  std::u16string text(table == kFull ? kFieldChars : 7, kind);
  for (int i = 0; i < 6; ++i) text[i] = static_cast<char16_t>(u'0' + (n >> (3 * i)) % 8);
  return text;
}

AccountRecord User(Table table, int n, const std::u16string& group) {
  AccountRecord user;
  user.type = warden::kTypeUser, user.groupname = group, user.userpri = 100, user.limitTime = 30;
  user.username = Field(table, n, u'u'), user.password = Field(table, n, u'p');
  user.usercomment = Field(table, n, u'c'), user.sectionid[n % warden::kZoneCount] = 1;
  return user;
}

std::vector<AccountRecord> Records(Table table) {
  std::vector<AccountRecord> records;
  for (int g = 0; g < kGroups; ++g) {
    AccountRecord group{
        warden::kTypeGroup, warden::ZoneFlags(), Field(table, g, u'g'), u"", u"", u"", 0, 0, u""};
    group.sectionid[1] = 1;
    records.push_back(group);
    for (int u = 0; u < kUsersPerGroup; ++u)
      records.push_back(User(table, g * kUsersPerGroup + u, group.groupname));
  }
  for (int n = kGroups * kUsersPerGroup; records.size() < std::size_t{warden::kMaxAccounts}; ++n)
    records.push_back(User(table, n, u""));
  return records;
}

fs::path Dir(Table table) {
  static const fs::path base = [] {
    const char* chosen = std::getenv("WARDEN_BENCH_DIR");
    return fs::path(chosen && *chosen ? chosen : fs::temp_directory_path()) / "warden-bench";
  }();
  return base / (table == kFull ? "full" : "plain");
}

warden::DataFile UsersFile(const fs::path& dir,
                           warden::MissingFile missing = warden::MissingFile::kCreateDefault) {
  return warden::AccountFileIn(
      warden::DirectoryWithSeparator(warden::platform::CorePath(dir.string())),
      warden::Access::kReadWrite, missing);
}

// wardenctl on `dir` (default: the plain table); its output in `output`.
int Ctl(std::vector<std::string> args, std::string* output = nullptr,
        const fs::path& dir = Dir(kPlain)) {
  std::ostringstream out, err;
  std::istringstream in;
  args.insert(args.begin(), {"--dir", dir.string()});
  const int code = warden::ctl::RunWardenctl(args, {out, err, in, false});
  if (output) *output = out.str();
  return code;
}

// users.dat and section.dat of both tables, and the plain one's export.
void Prepare() {
  [[maybe_unused]] static const bool done = [] {
    for (Table table : {kFull, kPlain}) {
      fs::remove_all(Dir(table));
      fs::create_directories(Dir(table));
      warden::AccountTable writer;
      writer.Replace(Records(table));
      warden::DataFile users = UsersFile(Dir(table));
      warden::ZoneNames zones;
      warden::DataFile zones_file = warden::ZoneFileIn(
          users.directory(), warden::Access::kReadWrite, warden::MissingFile::kCreateDefault);
      if (warden::SaveAccountFile(writer, users) != warden::FileFailure::kNone ||
          warden::LoadZoneFile(zones, zones_file) != warden::FileFailure::kNone) {
        std::fprintf(stderr, "cannot write the bench files in %s\n", Dir(table).c_str());
        std::exit(1);
      }
    }
    std::string exported;
    Ctl({"export", "--with-passwords"}, &exported);
    std::ofstream(Dir(kPlain) / "export.json") << exported;
    // The same with one comment changed: importing the two in turn saves each time.
    warden::ctl::Json changed = warden::ctl::Json::parse(exported);
    changed["accounts"].back()["comment"] = "changed";
    std::ofstream(Dir(kPlain) / "changed.json") << changed.dump();
    std::atexit([] { fs::remove_all(Dir(kFull).parent_path()); });
    return true;
  }();
}

void Check(benchmark::State& state, bool ok) {
  if (!ok) state.SkipWithError("failed");
}

// Deciphers as many sealed fields as a load does, field by field.
void BM_TeaPass(benchmark::State& state) {
  constexpr std::size_t kSealedBytes = 8 + (2 * kFieldChars + 7) / 8 * 8;
  std::vector<std::uint8_t> sealed(std::size_t{warden::kMaxAccounts} * 4 * kSealedBytes, 0x5A);
  for (auto _ : state) {
    for (std::size_t at = 0; at < sealed.size(); at += kSealedBytes) {
      warden::TeaDecryptBuffer(sealed.data() + at, kSealedBytes, warden::FieldKey());
    }
    benchmark::DoNotOptimize(sealed.data());
  }
}

void BM_LoadUsers(benchmark::State& state, Table table) {
  Prepare();
  for (auto _ : state) {
    warden::AccountTable loaded;
    warden::DataFile file = UsersFile(Dir(table));
    Check(state, warden::LoadAccountFile(loaded, file) == warden::FileFailure::kNone &&
                     loaded.count() == warden::kMaxAccounts);
  }
}

// Both files loaded and the tree filled; first checks that the tree shows
// every record once (reading the outline back is the driver's cost, untimed).
void BM_OpenManageDialog(benchmark::State& state) {
  Prepare();
  std::size_t shown = 0;
  hl::Reset();
  hl::Push(hl::ExpectDialog(IDD_MANAGE), [&shown](hl::Driver& d) {
    shown = d.TreeOutline(IDC_ACCOUNT_TREE).size();
    d.Cancel();
  });
  warden::AccountTable accounts;
  warden::ZoneNames zones;
  warden::DataFile users = UsersFile(Dir(kPlain));
  warden::DataFile zones_file = warden::ZoneFileIn(users.directory(), warden::Access::kReadWrite,
                                                   warden::MissingFile::kCreateDefault);
  warden::history::LoadedAccounts accounts_loaded;
  warden::history::LoadedZones zones_loaded;
  const warden::ManagedStore store{accounts,        zones,        users,  zones_file,
                                   accounts_loaded, zones_loaded, nullptr};
  warden::ManageDialog(nullptr, store).DoModal();
  Check(state, shown == std::size_t{warden::kMaxAccounts});
  for (auto _ : state) {
    hl::Reset();
    hl::Push(hl::ExpectDialog(IDD_MANAGE), hl::PressCancel());
    warden::ManageDialog(nullptr, store).DoModal();
  }
}

// The full table saved with one account changed (a priority, in turn), as a
// front end saves it: without history, or recorded (the changes from the
// table it loaded, which it then keeps again). Both work on a copy of the
// full users.dat of their own; the label is the record's size.
void BM_SaveUsers(benchmark::State& state) {
  namespace history = warden::history;
  Prepare();
  const bool recorded = state.range(0) != 0;
  const fs::path dir = Dir(kFull).parent_path() / (recorded ? "recorded" : "unrecorded");
  fs::remove_all(dir);
  fs::create_directories(dir);
  fs::copy_file(Dir(kFull) / "users.dat", dir / "users.dat");
  warden::DataFile file = UsersFile(dir, warden::MissingFile::kLeave);
  warden::AccountTable table;
  Check(state, warden::LoadAccountFile(table, file) == warden::FileFailure::kNone);
  history::LoadedAccounts loaded;
  loaded.Take(table.records(), file);
  AccountRecord changed = table.records()[100];
  for (auto _ : state) {
    const AccountRecord old = changed;
    changed.userpri = static_cast<std::int16_t>(changed.userpri ^ 1);
    table.UpdateAccount(old, changed);
    const history::AccountChanges changes = history::ChangesOf(loaded, table.records());
    history::HistoryObserver recording({"api", std::nullopt}, &changes);
    Check(state, warden::SaveAccountFile(table, file, recorded ? &recording : nullptr) ==
                     warden::FileFailure::kNone);
    if (recorded) loaded.Take(table.records(), file);
  }
  std::ifstream trail(dir / "History" / "trail.jsonl");
  std::size_t longest = 0;
  for (std::string line; std::getline(trail, line);) longest = std::max(longest, line.size());
  if (recorded) state.SetLabel("record " + std::to_string(longest) + " bytes");
}

// wardenctl on the plain table, the commands in turn. An import checks every
// record with every editor rule; verify runs before the saving import leaves a
// users.bak.
void BM_Ctl(benchmark::State& state, const std::vector<std::vector<std::string>>& turns) {
  Prepare();
  std::size_t turn = 0;
  for (auto _ : state) Check(state, Ctl(turns[turn++ % turns.size()]) == 0);
}

// A trail of 100 000 saves of users.dat, each changing one account's
// priority and password, as the recorder writes them: record, outcome and,
// past the 20 generations kept, the drop of the oldest; users.dat and the
// kept generations hold what the records say.
fs::path HistoryDir() {
  namespace history = warden::history;
  constexpr std::uint64_t kSaves = 100000, kKept = 20;
  static const fs::path dir = Dir(kPlain).parent_path() / "history";
  fs::create_directories(dir / "History");
  const auto content = [](std::uint64_t k) { return "content " + std::to_string(k); };
  std::vector<AccountRecord> before = {User(kPlain, 1, u""), User(kPlain, 2, u"")}, after = before;
  std::string trail, head = history::kFirstPrev;
  const auto append = [&](history::TrailLine line) {
    line.prev = head;
    const std::string text = history::FormatLine(line);
    head = history::LineHash(text);
    trail += text + '\n';
  };
  for (std::uint64_t seq = 1; seq <= kSaves; ++seq) {
    after[1].userpri = static_cast<std::int16_t>(seq % 999);
    after[1].password = Field(kPlain, static_cast<int>(seq), u'p');
    const history::TrailLine record = warden::testing::Record(
        seq, "users.dat", "save", history::DiffAccounts(before, after),
        history::LineHash(content(seq - 1)), history::LineHash(content(seq)));
    append(record);
    append(warden::testing::Outcome(seq, "committed"));
    if (seq > kKept)
      append(warden::testing::Drop(history::GenerationName("users.dat", seq - kKept)));
    if (seq + kKept > kSaves)
      std::ofstream(dir / "History" / *record.generation) << content(seq - 1);
    before = after;
  }
  std::ofstream(dir / "History" / "trail.jsonl") << trail;
  std::ofstream(dir / "users.dat") << content(kSaves);
  return dir;
}

void BM_HistoryVerify(benchmark::State& state) {
  static const fs::path dir = HistoryDir();
  std::string output;
  for (auto _ : state) Check(state, Ctl({"history", "verify"}, &output, dir) == 0);
  state.SetLabel(output.substr(0, output.find('\n')));
}

using Args = std::vector<std::string>;
const std::string kExport = (Dir(kPlain) / "export.json").string();
const std::string kChanged = (Dir(kPlain) / "changed.json").string();
BENCHMARK(BM_TeaPass)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadUsers, full, kFull)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadUsers, plain, kPlain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveUsers)->ArgName("recorded")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenManageDialog)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ctl, list, {Args{"list"}})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ctl, verify, {Args{"verify"}})->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Ctl, import_dry_run, {Args{"import", kExport, "--dry-run"}})
    ->Unit(benchmark::kMillisecond);
// Each import changes the last comment, so that each saves.
BENCHMARK_CAPTURE(BM_Ctl, import, {Args{"import", kChanged}, Args{"import", kExport}})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HistoryVerify)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
