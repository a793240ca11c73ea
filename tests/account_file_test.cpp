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
#include "storage/file_version.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "tests/support/records.h"
#include "tests/support/stores.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Table = std::vector<AccountRecord>;
using testing::InstallLocation;
using testing::LocationOf;
using testing::ReadBytes;

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
  Archive archive = Archive::Writing(bytes);
  EXPECT_TRUE(CVmNewFileVersion().Serialize(archive) && WriteAccountTable(archive, table));
  return bytes;
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
  EXPECT_EQ(testing::WriteUsersFile(Table(kMaxAccounts + 1), InstallLocation()), kFileNotWritable);
  EXPECT_FALSE(install_.Has("users.dat"));
  // Each: the case, the file, the result and the records it gives.
  const std::tuple<const char*, Bytes, int, int> rows[] = {
      {"exactly 134 bytes, count 0", header, kFileOk, 0},
      {"133 bytes", Bytes(header.begin(), header.end() - 1), kFileNotReadable, 0},
      // Beyond what the interface can count, however whole the file.
      {"count of 32768 with all its records", over_limit, kFileNotReadable, 0},
      {"ends inside the last record", cut, kFileNotReadable, 0},
      {"three records of the least size", least, kFileOk, 3},
      {"one byte short of them", Bytes(least.begin(), least.end() - 1), kFileNotReadable, 0},
  };
  for (const auto& [name, bytes, result, records] : rows) {
    SCOPED_TRACE(name);
    PutDat(bytes);
    CUser store;
    store.SetDefaultTable();
    store.m_bUserBackupDue = true;
    EXPECT_EQ(LoadAccountFile(store, InstallLocation()), result);
    EXPECT_EQ(store.m_pUser.has_value(), records > 0);  // no table: the host's save reloads
    EXPECT_EQ(store.UserCount(), records);
    EXPECT_EQ(store.m_bUserBackupDue, result == kFileOk);
    EXPECT_EQ(Dat(), bytes);  // a failed load never touches the file
  }
}

Table Defaults() {
  CUser store;
  store.SetDefaultTable();
  return *store.m_pUser;
}

Bytes StoreBytes(const CUser& store) { return store.m_pUser ? FileBytes(*store.m_pUser) : Bytes(); }

// Runs `operation` with its 1st, 2nd, ... file call failing until a run
// makes no call fail, once with that call alone failing and once with every
// call from it on (so the clean-up fails too); `check` judges each run after
// the injector is gone.
void SweepFileFaults(const std::function<void()>& prepare, const std::function<int()>& operation,
                     const std::function<void(int result, bool persistent)>& check) {
  for (int n = 1, fired = 1; fired; ++n) {
    for (const bool persistent : {false, true}) {
      SCOPED_TRACE("failing call " + std::to_string(n) + (persistent ? " and on" : ""));
      prepare();
      std::optional<testing::FaultInjector> faults(std::in_place);
      persistent ? faults->FailFrom(n) : faults->FailNth(n);
      const int result = operation();
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

TEST_F(AccountFileTest, DirectoryRule) {
  const Bytes old = FileBytes(SampleTable());
  testing::TempDir project, empty;
  testing::WriteBytes(project / "users.dat", old);
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(project.path());
  // Trailing backslashes and spaces go; nothing left means the current directory.
  CUser store;
  for (const std::u16string& directory : {project.core() + u"\\ \\\\  ", std::u16string(u" \\")}) {
    EXPECT_EQ(LoadAccountFile(store, LocationOf(directory)), kFileOk);
    EXPECT_EQ(StoreBytes(store), old);
  }
  std::filesystem::current_path(previous);
  // A project directory is only read: no file there is 104 with the defaults
  // in memory, and nothing is written anywhere.
  EXPECT_EQ(LoadAccountFile(store, LocationOf(empty.core())), kFileNotReadable);
  EXPECT_EQ(store.m_pUser, Defaults());
  EXPECT_TRUE(std::filesystem::is_empty(empty.path()));
  EXPECT_FALSE(install_.Has("users.dat"));
  // Naming the install directory itself is a load from the install directory.
  EXPECT_EQ(LoadAccountFile(store, LocationOf(install_.dir().core() + u"\\\\ ")), kFileOk);
  // The longest path is 259 characters; one more is refused before any file call.
  const auto fits = LongDirectory(project, 259 - 10), longer = LongDirectory(empty, 259 - 9);
  install_.Set(fits + u"\\");
  EXPECT_EQ(SaveAccountFile(store, InstallLocation()), kFileOk);
  EXPECT_EQ(LoadAccountFile(store, LocationOf(fits)), kFileOk);
  install_.Set(longer + u"\\");
  testing::FaultInjector faults;
  faults.FailFrom(1);
  EXPECT_EQ(SaveAccountFile(store, InstallLocation()), kFileNotWritable);
  EXPECT_EQ(LoadAccountFile(store, InstallLocation()), kFileNotReadable);
  EXPECT_EQ(LoadAccountFile(store, LocationOf(longer)), kFileNotReadable);
  EXPECT_FALSE(faults.fired());
  install_.Set(install_.dir().core("missing") + u"\\");
  EXPECT_EQ(LoadAccountFile(store, InstallLocation()), kFileDefaultNotWritable);
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

// Each file call of a save fails in turn; afterwards the file holds exactly
// the old or the new bytes, the result says which, and a load reads it.
// Without a failure, the first save after a load backs up the file as loaded.
// The file and its backup have the rights of the old file (one made from
// nothing is its owner's alone); links planted as side files are neither
// followed nor put in place.
TEST_F(AccountFileTest, SaveSurvivesAnyFailingFileCall) {
  Table new_table = SampleTable();
  new_table.push_back(testing::UserRecord(u"new", 1));
  const Bytes old_bytes = FileBytes(SampleTable()), new_bytes = FileBytes(new_table);
  const struct {
    bool old_file, backup_due;  // the file exists before the save; the store has loaded it
  } cases[] = {{true, true}, {true, false}, {false, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.old_file ? "file, " : "no file, ") + (c.backup_due ? "due" : ""));
    CUser store;
    std::string rights;
    const auto prepare = [&] {
      for (const char* name : {"users.bak", "users.dat", "users.111", "users.112"})
        std::filesystem::remove(install_ / name);
      if (c.old_file) {
        PutDat(old_bytes);
        Restrict(install_ / "users.dat");
        rights = AccessOf(install_ / "users.dat");
      }
      testing::WriteText(install_ / "other", "kept");
      if (!c.old_file) rights = MadeNew();
#ifndef _WIN32
      for (const char* name : {"users.111", "users.112"})
        std::filesystem::create_symlink(install_ / "other", install_ / name);
#endif
      store.m_pUser = new_table;
      store.m_bUserBackupDue = c.backup_due;
    };
    const auto check = [&](int result, bool persistent) {
      const bool saved = result == kFileOk;
      EXPECT_TRUE(saved || result == kFileNotWritable) << result;
      const Bytes backup = install_.Has("users.bak") ? ReadBytes(install_ / "users.bak") : Bytes();
      // The flag is cleared once the backup is in place.
      EXPECT_TRUE(backup.empty() || backup == old_bytes);
      EXPECT_TRUE(!saved || backup.empty() != (c.old_file && c.backup_due));
      EXPECT_EQ(store.m_bUserBackupDue, c.backup_due && backup.empty());
      // Side files of its own stay only where removing them failed too.
      const auto own = [&](const char* name) { return AccessOf(install_ / name) != "none"; };
      EXPECT_FALSE(!persistent && (own("users.111") || own("users.112")));
      EXPECT_EQ(testing::ReadBytes(install_ / "other"), (Bytes{'k', 'e', 'p', 't'}));
      // Never left without the file; it holds exactly what the result says.
      ASSERT_EQ(install_.Has("users.dat"), c.old_file || saved);
      if (!install_.Has("users.dat")) return;
      EXPECT_EQ(Dat(), saved ? new_bytes : old_bytes);
      EXPECT_TRUE(AccessOf(install_ / "users.dat") == rights &&
                  (backup.empty() || AccessOf(install_ / "users.bak") == rights));
      CUser reader;
      ASSERT_EQ(LoadAccountFile(reader, InstallLocation()), kFileOk);
      EXPECT_EQ(StoreBytes(reader), saved ? new_bytes : old_bytes);
    };
    SweepFileFaults(
        prepare, [&] { return SaveAccountFile(store, InstallLocation()); }, check);
  }
}

// Each file call of a load fails in turn: what is on disk is never lost or
// replaced by the defaults, and only a whole file read makes a backup due.
TEST_F(AccountFileTest, LoadSurvivesAnyFailingFileCall) {
  for (bool file_exists : {true, false}) {
    SCOPED_TRACE(file_exists ? "existing file" : "default creation");
    const Bytes expected = FileBytes(file_exists ? SampleTable() : Defaults());
    CUser store;
    const auto prepare = [&] {
      std::filesystem::remove(install_ / "users.dat");
      std::filesystem::remove(install_ / "users.111");
      if (file_exists) PutDat(expected);
      store = CUser();
    };
    const auto check = [&](int result, bool persistent) {
      EXPECT_TRUE(result == kFileOk || result == kFileNotReadable ||
                  result == kFileDefaultNotWritable)
          << result;
      EXPECT_EQ(store.m_bUserBackupDue, result == kFileOk);
      EXPECT_TRUE(result != kFileOk || StoreBytes(store) == expected);
      EXPECT_FALSE(!persistent && install_.Has("users.111"));
      ASSERT_TRUE(install_.Has("users.dat") || !file_exists);
      if (!install_.Has("users.dat")) return;
      CUser reader;
      ASSERT_EQ(LoadAccountFile(reader, InstallLocation()), kFileOk);
      EXPECT_EQ(StoreBytes(reader), expected);
    };
    SweepFileFaults(
        prepare, [&] { return LoadAccountFile(store, InstallLocation()); }, check);
  }
}

// A save waits while another process holds users.lck, and leaves the file
// alone until then. Where no lock file is nor can be made, nobody can save,
// and the file is read without it; one there that cannot be had fails the read.
TEST_F(AccountFileTest, TheLockFile) {
  const Bytes old = FileBytes(SampleTable());
  PutDat(old);
  const auto held = platform::Files().lock(install_.dir().core("users.lck"), 0);
  auto save = std::async(std::launch::async, testing::WriteUsersFile,
                         Table{testing::GroupRecord(u"new")}, InstallLocation());
  EXPECT_EQ(save.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  EXPECT_EQ(Dat(), old);
  platform::Files().unlock(held);
  EXPECT_EQ(save.get(), kFileOk);
  std::filesystem::remove(install_ / "users.lck");
  CUser store;
  testing::FaultInjector faults;
  faults.FailEvery(testing::FileOp::kLock);
  EXPECT_EQ(LoadAccountFile(store, InstallLocation()), kFileOk);
  testing::WriteBytes(install_ / "users.lck", {});
  EXPECT_EQ(LoadAccountFile(store, InstallLocation()), kFileNotReadable);
}

}  // namespace
}  // namespace warden
