#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <functional>
#include <future>
#include <optional>
#include <tuple>

#include "accounts/account_file.h"
#include "platform/files.h"
#include "storage/directory_text.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "tests/support/records.h"
#include "tests/support/stores.h"

namespace warden {
namespace {

using Table = std::vector<AccountRecord>;
using testing::ReadBytes;
using F = FileFailure;

// Every field set, so that each goes through the cipher.
Table SampleTable() {
  return {{kTypeGroup, {1}, u"Plant", u"", u"", u"", 0, 0, u"operators"},
          {kTypeUser, {0, 1}, u"Plant", u"anna", u"pw", u"night", 10, 255, u""},
          testing::UserRecord(u"\u738B\u5C0F\u660E", 999, u"Plant"),
          testing::GroupRecord(u"Line")};
}

// The exact bytes a save of `table` must produce.
Bytes FileBytes(const Table& table) {
  Bytes bytes;
  EXPECT_EQ(AccountFileContent(table, &bytes), F::kNone);
  return bytes;
}

// A load of `file` into a fresh table: its result, and the bytes the table saves as.
std::pair<FileFailure, Bytes> Loaded(DataFile&& file) {
  AccountTable table;
  const FileFailure failure = LoadAccountFile(table, file);
  return {failure, FileBytes(table.records())};
}

class AccountFileTest : public ::testing::Test {
 protected:
  Bytes Dat() const { return ReadBytes(install_ / "users.dat"); }
  void PutDat(const Bytes& bytes) { testing::WriteBytes(install_ / "users.dat", bytes); }
  testing::InstallDir install_;
};

// A file that fails to load leaves no table, and is never taken as the
// backup. The count is checked against the bytes left before the table is
// allocated: records of the least size (another type, an empty narrow name)
// fill them exactly.
TEST_F(AccountFileTest, ShortAndDamagedFiles) {
  const Bytes header = FileBytes({});  // 132 header bytes and a zero count
  Bytes cut = FileBytes(SampleTable()), least = header;
  cut.resize(cut.size() - 3);
  least[132] = 3;
  // Each: the type 7, the zones and the name's length byte, all 0.
  for (int i = 0; i < 3 * (2 + 2 * kZoneCount + 1); ++i) least.push_back(i % 131 == 0 ? 7 : 0);
  Bytes over_limit = FileBytes(Table(kMaxAccounts, AccountRecord{}));  // 134 bytes a record
  over_limit.insert(over_limit.end(), over_limit.end() - 134, over_limit.end() - 0);
  over_limit[132] = 0x00, over_limit[133] = 0x80;
  // Nor is a table of 32768 written: the 16-bit count would cut it short.
  EXPECT_EQ(testing::WriteUsersFile(Table(kMaxAccounts + 1)), F::kTooLarge);
  EXPECT_FALSE(install_.Has("users.dat"));
  // Each: the case, the file, the result and the records it gives. One file
  // object for all: a failed load clears the backup a load before made due.
  const std::tuple<const char*, Bytes, FileFailure, int> rows[] = {
      {"exactly 134 bytes, count 0", header, F::kNone, 0},
      {"133 bytes", Bytes(header.begin(), header.end() - 1), F::kDamaged, 0},
      // Beyond what the interface can count, however whole the file.
      {"count of 32768 with all its records", over_limit, F::kDamaged, 0},
      {"three records of the least size", least, F::kNone, 3},
      {"ends inside the last record", cut, F::kDamaged, 0},
      {"one byte short of them", Bytes(least.begin(), least.end() - 1), F::kDamaged, 0},
  };
  DataFile file = testing::UsersFileIn();
  for (const auto& [name, bytes, result, records] : rows) {
    SCOPED_TRACE(name);
    PutDat(bytes);
    AccountTable table;
    table.Replace(DefaultTable());
    EXPECT_EQ(LoadAccountFile(table, file), result);
    EXPECT_EQ(table.HoldsTable(), records > 0);  // no table: the host's save reloads
    EXPECT_EQ(table.count(), records);
    EXPECT_EQ(file.backup_due(), result == F::kNone);
    EXPECT_EQ(Dat(), bytes);  // a failed load never touches the file
  }
}

// Runs `operation` with its 1st, 2nd, ... file call failing until a run
// makes no call fail, once with that call alone failing and once with every
// call from it on (so the clean-up fails too); `check` judges each run after
// the injector is gone.
void SweepFileFaults(const std::function<void()>& prepare,
                     const std::function<FileFailure()>& operation,
                     const std::function<void(FileFailure result, bool persistent)>& check) {
  for (int n = 1, fired = 1; fired; ++n) {
    for (const bool persistent : {false, true}) {
      SCOPED_TRACE("failing call " + std::to_string(n) + (persistent ? " and on" : ""));
      prepare();
      std::optional<testing::FaultInjector> faults(std::in_place);
      persistent ? faults->FailFrom(n) : faults->FailNth(n);
      const FileFailure result = operation();
      fired = faults->fired();
      faults.reset();
      check(result, persistent);
    }
    EXPECT_TRUE(fired || n > 4);  // the injector saw every call
  }
}

// A directory of exactly `length` characters under `base`, made on disk.
std::u16string LongDirectory(const testing::TempDir& base, std::size_t length) {
  const std::string name(length - base.core().size() - 1, 'd');
  std::filesystem::create_directory(base / name);
  return base.core(name);
}

// A directory is given with any trailing backslashes and spaces, which go;
// nothing left means the current directory. One the component only reads
// gives the defaults without its file, and writes nothing anywhere. A path
// is at most 259 characters; a longer one is refused before any file call.
TEST_F(AccountFileTest, DirectoriesAndPaths) {
  const Bytes old = FileBytes(SampleTable());
  testing::TempDir project, empty;
  testing::WriteBytes(project / "users.dat", old);
  const auto read_only = [](const std::u16string& directory) {
    return AccountFileIn(DirectoryWithSeparator(directory), Access::kReadOnly, MissingFile::kLeave);
  };
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(project.path());
  for (const std::u16string& directory : {project.core() + u"\\ \\\\  ", std::u16string(u" \\")})
    EXPECT_EQ(Loaded(read_only(directory)), std::pair(F::kNone, old));
  std::filesystem::current_path(previous);
  EXPECT_EQ(Loaded(read_only(empty.core())), std::pair(F::kNotFound, FileBytes(DefaultTable())));
  EXPECT_TRUE(std::filesystem::is_empty(empty.path()) && !install_.Has("users.dat"));

  const auto fits = LongDirectory(project, 259 - 10), longer = LongDirectory(empty, 259 - 9);
  AccountTable table;
  DataFile fitting = testing::UsersFileIn(fits + u"\\");
  EXPECT_EQ(SaveAccountFile(table, fitting), F::kNone);
  EXPECT_EQ(Loaded(read_only(fits)).first, F::kNone);
  DataFile too_long = testing::UsersFileIn(longer + u"\\");
  testing::FaultInjector faults;
  faults.FailFrom(1);
  EXPECT_EQ(SaveAccountFile(table, too_long), F::kPathTooLong);
  EXPECT_EQ(LoadAccountFile(table, too_long), F::kPathTooLong);
  EXPECT_EQ(too_long.Hold(), F::kPathTooLong);
  EXPECT_FALSE(faults.fired());
  // Where the defaults cannot be written, the load says so and leaves no table.
  EXPECT_EQ(Loaded(testing::UsersFileIn(install_.dir().core("missing") + u"\\")).first,
            F::kNotWritable);
}

// A file's rights, "none" when it is missing or not a plain file: its mode,
// owner and group. Restrict narrows them; a file made from nothing is its
// owner's alone. (Windows: only whether the file is there; scripts/test-wine.sh
// checks that the tool's saves keep the access list.)
#ifdef _WIN32
std::string AccessOf(const std::filesystem::path& file) {
  return std::filesystem::exists(file) ? "" : "none";
}
void Restrict(const std::filesystem::path&) {}
std::string MadeNew() { return ""; }
#else
std::string AccessOf(const std::filesystem::path& file) {
  struct stat s {};
  if (::lstat(file.c_str(), &s) != 0 || !S_ISREG(s.st_mode)) return "none";
  return std::to_string(s.st_mode & 0777) + " " + std::to_string(s.st_uid) + ":" +
         std::to_string(s.st_gid);
}
void Restrict(const std::filesystem::path& file) {  // group-readable, and another owner if root
  ::chmod(file.c_str(), 0640);
  if (::geteuid() == 0) ::chown(file.c_str(), 1234, 1235);
}
std::string MadeNew() {
  return "384 " + std::to_string(::geteuid()) + ":" + std::to_string(::getegid());
}
#endif

// Sees each save and says how it went; refuses it when told to.
struct Watcher : SaveObserver {
  bool BeforeReplace(const SaveInProgress& save) override {
    seen.push_back(save.content == expected ? "before" : "before, other bytes");
    return !refuse;
  }
  void AfterReplace(const SaveInProgress&, bool replaced) override {
    seen.push_back(replaced ? "replaced" : "failed");
  }
  bool refuse = false;
  Bytes expected;
  std::vector<std::string> seen;
};

// Each file call of a save fails in turn; afterwards the file holds exactly
// the old or the new bytes, the result says which, and a load reads it.
// Without a failure, the first save after a load backs up the file as loaded.
// The file and its backup have the rights of the old file (one made from
// nothing is its owner's alone); links planted as side files are neither
// followed nor put in place. An observer sees the new bytes before the move
// and is told how it went; one that refuses leaves every file as it was.
TEST_F(AccountFileTest, SaveSurvivesAnyFailingFileCall) {
  Table new_table = SampleTable();
  new_table.push_back(testing::UserRecord(u"new", 1));
  const Bytes old_bytes = FileBytes(SampleTable()), new_bytes = FileBytes(new_table);
  AccountTable table;
  table.Replace(new_table);
  const struct {
    bool old_file, backup_due, refuse;  // the file exists before the save; it was loaded
  } cases[] = {{true, true, false}, {true, false, false}, {false, true, false}, {true, true, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.old_file ? "file, " : "no file, ") + (c.backup_due ? "due" : "") +
                 (c.refuse ? ", refused" : ""));
    DataFile file = testing::UsersFileIn();
    Watcher watcher;
    std::string rights;
    const auto prepare = [&] {
      for (const char* name : {"users.bak", "users.dat", "users.111", "users.112"})
        std::filesystem::remove(install_ / name);
      file = testing::UsersFileIn();
      PutDat(old_bytes);
      AccountTable loaded;
      EXPECT_EQ(c.backup_due ? LoadAccountFile(loaded, file) : F::kNone, F::kNone);
      if (c.old_file) {
        Restrict(install_ / "users.dat");
        rights = AccessOf(install_ / "users.dat");
      } else {
        std::filesystem::remove(install_ / "users.dat");
        rights = MadeNew();
      }
      testing::WriteText(install_ / "other", "kept");
#ifndef _WIN32
      for (const char* name : {"users.111", "users.112"})
        std::filesystem::create_symlink(install_ / "other", install_ / name);
#endif
      watcher = Watcher{};
      watcher.refuse = c.refuse;
      watcher.expected = new_bytes;
    };
    const auto check = [&](FileFailure result, bool persistent) {
      const bool saved = result == F::kNone;
      std::vector<std::string> told{"before"};
      if (!c.refuse) told.push_back(saved ? "replaced" : "failed");
      EXPECT_TRUE(watcher.seen == told || (watcher.seen.empty() && !saved));
      EXPECT_EQ(result == F::kAbandoned, c.refuse && !watcher.seen.empty());
      const Bytes backup = install_.Has("users.bak") ? ReadBytes(install_ / "users.bak") : Bytes();
      // The backup is no longer due once it is in place.
      EXPECT_TRUE(backup.empty() || backup == old_bytes);
      EXPECT_TRUE(!saved || backup.empty() != (c.old_file && c.backup_due));
      EXPECT_EQ(file.backup_due(), c.backup_due && backup.empty());
      // Side files of its own stay only where removing them failed (after
      // another failure, or a refusal).
      const auto own = [&](const char* name) { return AccessOf(install_ / name) != "none"; };
      EXPECT_FALSE(!persistent && !c.refuse && (own("users.111") || own("users.112")));
      EXPECT_EQ(testing::ReadBytes(install_ / "other"), (Bytes{'k', 'e', 'p', 't'}));
      // Never left without the file; it holds exactly what the result says.
      ASSERT_EQ(install_.Has("users.dat"), c.old_file || saved);
      if (!install_.Has("users.dat")) return;
      EXPECT_EQ(Dat(), saved ? new_bytes : old_bytes);
      EXPECT_TRUE(AccessOf(install_ / "users.dat") == rights &&
                  (backup.empty() || AccessOf(install_ / "users.bak") == rights));
      EXPECT_EQ(Loaded(testing::UsersFileIn()), std::pair(F::kNone, Dat()));
    };
    SweepFileFaults(
        prepare, [&] { return SaveAccountFile(table, file, &watcher); }, check);
  }
}

// Each file call of a load fails in turn: what is on disk is never lost or
// replaced by the defaults, and only a whole file read makes a backup due.
TEST_F(AccountFileTest, LoadSurvivesAnyFailingFileCall) {
  for (bool file_exists : {true, false}) {
    SCOPED_TRACE(file_exists ? "existing file" : "default creation");
    const Bytes expected = FileBytes(file_exists ? SampleTable() : DefaultTable());
    AccountTable table;
    DataFile file = testing::UsersFileIn();
    const auto prepare = [&] {
      for (const char* name : {"users.dat", "users.111"}) std::filesystem::remove(install_ / name);
      if (file_exists) PutDat(expected);
      table = AccountTable();
      file = testing::UsersFileIn();
    };
    const auto check = [&](FileFailure result, bool persistent) {
      EXPECT_EQ(file.backup_due(), result == F::kNone);
      EXPECT_TRUE(result != F::kNone || FileBytes(table.records()) == expected);
      EXPECT_FALSE(!persistent && install_.Has("users.111"));
      ASSERT_TRUE(install_.Has("users.dat") || !file_exists);
      if (!install_.Has("users.dat")) return;
      EXPECT_EQ(Loaded(testing::UsersFileIn()), std::pair(F::kNone, expected));
    };
    SweepFileFaults(
        prepare, [&] { return LoadAccountFile(table, file); }, check);
  }
}

// A save waits while another process holds users.lck, and leaves the file
// alone until then. Where no lock file is nor can be made, nobody can save,
// and the file is read without it; one there that cannot be had fails the
// read as in use.
TEST_F(AccountFileTest, TheLockFile) {
  const Bytes old = FileBytes(SampleTable());
  PutDat(old);
  const auto held = platform::Files().lock(install_.dir().core("users.lck"), 0);
  auto save = std::async(std::launch::async, [] {
    return testing::WriteUsersFile(Table{testing::GroupRecord(u"new")});
  });
  EXPECT_EQ(save.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  EXPECT_EQ(Dat(), old);
  platform::Files().unlock(held);
  EXPECT_EQ(save.get(), F::kNone);
  DataFile file = testing::UsersFileIn();
  EXPECT_EQ(file.Hold(), F::kNone);
  EXPECT_EQ(file.Hold(), F::kNone);  // held already: not taken again
  file.Release();
  std::filesystem::remove(install_ / "users.lck");
  AccountTable table;
  testing::FaultInjector faults;
  faults.FailEvery(testing::FileOp::kLock);
  EXPECT_EQ(LoadAccountFile(table, file), F::kNone);
  testing::WriteBytes(install_ / "users.lck", {});
  EXPECT_EQ(LoadAccountFile(table, file), F::kInUse);
}

}  // namespace
}  // namespace warden
