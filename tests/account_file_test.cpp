#include <gtest/gtest.h>

#include "accounts/account_file.h"
#include "accounts/field_cipher.h"
#include "accounts/file_version.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Table = std::vector<AccountRecord>;
using testing::ReadBytes;
using testing::WriteBytes;

AccountRecord User(const std::u16string& name, const std::u16string& group, std::int16_t pri = 5,
                   std::int32_t limit = 30) {
  AccountRecord r;
  r.type = kTypeUser;
  r.groupname = group;
  r.username = name;
  r.password = u"pw-" + name;
  r.usercomment = u"comment of " + name;
  r.userpri = pri;
  r.limitTime = limit;
  r.sectionid[3] = 1;
  return r;
}

AccountRecord Group(const std::u16string& name, const std::u16string& comment = u"") {
  AccountRecord r;
  r.type = kTypeGroup;
  r.groupname = name;
  r.groupcomment = comment;
  r.sectionid[0] = 1;
  return r;
}

Table SampleTable() {
  return {Group(u"Plant", u"operators"), User(u"anna", u"Plant", 10, 255),
          User(u"\u738B\u5C0F\u660E", u"Plant", 999, 0), Group(u"Line")};
}

// The exact bytes a save of `table` must produce.
Bytes FileBytes(const Table& table) {
  Bytes bytes;
  Archive archive = Archive::Writing(bytes);
  CVmNewFileVersion header;
  EXPECT_TRUE(header.Serialize(archive));
  EXPECT_TRUE(WriteAccountTable(archive, table));
  return bytes;
}

Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
  return Bytes(bytes.begin() + from, bytes.begin() + from + count);
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

Bytes Ascii(const std::u16string& text) {
  Bytes bytes;
  for (char16_t c : text) bytes.push_back(static_cast<std::uint8_t>(c));
  return bytes;
}

Bytes Utf16(const std::u16string& text) {
  Bytes bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
}

std::u16string Sealed(const std::u16string& text) {
  std::u16string sealed;
  EXPECT_TRUE(EncipherText(text, &sealed));
  return sealed;
}

class AccountFileTest : public ::testing::Test {
 protected:
  Bytes Dat() const { return ReadBytes(install_ / "users.dat"); }
  void PutDat(const Bytes& bytes) { WriteBytes(install_ / "users.dat", bytes); }
  // Saves `table` from a store that has not loaded.
  int SaveFresh(const Table& table) {
    CUser store;
    store.m_pUser = table;
    return SaveAccountFile(store);
  }

  testing::InstallDir install_;
};

TEST_F(AccountFileTest, GroupRecordBytes) {
  const Bytes bytes = FileBytes({Group(u"G")});
  const Bytes sealed_g = Utf16(Sealed(u"G"));
  ASSERT_EQ(sealed_g.size(), 64u);  // one character seals to 32 hex digits
  Bytes flags(128, 0);
  flags[0] = 1;
  // No priority and no timeout after a group's comment: the record ends there.
  const Bytes body = Concat({{0x01, 0x00}, {0x02, 0x00}, flags, {0xFF, 0xFE, 0xFF, 0x20}, sealed_g,
                             {0xFF, 0xFE, 0xFF, 0x00}});
  EXPECT_EQ(Slice(bytes, 132, bytes.size() - 132), body);
}

TEST_F(AccountFileTest, UserRecordLayout) {
  AccountRecord user = User(std::u16string(57, u'n'), u"", -2, 70000);
  const Bytes bytes = FileBytes({user});
  std::size_t at = 132 + 2 + 2 + 128;
  EXPECT_EQ(Slice(bytes, at, 4), (Bytes{0xFF, 0xFE, 0xFF, 0x00}));  // empty group, not sealed
  at += 4;
  // 57 characters seal to 256 digits: the three-byte length form.
  EXPECT_EQ(Slice(bytes, at, 6), (Bytes{0xFF, 0xFE, 0xFF, 0xFF, 0x00, 0x01}));
  EXPECT_EQ(Slice(bytes, bytes.size() - 6, 6), (Bytes{0xFE, 0xFF, 0x70, 0x11, 0x01, 0x00}));

  AccountRecord other = Group(u"X", u"dropped");
  other.type = 7;  // other types end after their group name
  EXPECT_EQ(FileBytes({other}).size(), 132u + 2 + 2 + 128 + 4 + 64);
}

TEST_F(AccountFileTest, SaveThenLoadRoundTrip) {
  Table table = SampleTable();
  AccountRecord odd = Group(u"odd");
  odd.type = 0;
  table.push_back(odd);
  table.push_back(User(u"", u"", 0, 0));  // all-empty user fields
  table.push_back(User(std::u16string(300, u'\u4E2D'), u"Line"));
  ASSERT_EQ(SaveFresh(table), kFileOk);
  EXPECT_EQ(Dat(), FileBytes(table));
  EXPECT_FALSE(install_.Has("users.111"));
  EXPECT_FALSE(install_.Has("users.bak"));

  CUser store;
  ASSERT_EQ(LoadAccountFile(store, nullptr), kFileOk);
  ASSERT_TRUE(store.m_pUser);
  EXPECT_EQ(*store.m_pUser, table);
  EXPECT_TRUE(store.m_bUserBackupDue);
}

// A group carries no priority or timeout in the file; both read back as 0.
TEST_F(AccountFileTest, GroupNumbersAreNotStored) {
  AccountRecord group = Group(u"G", u"c");
  group.userpri = 9;
  group.limitTime = 9;
  ASSERT_EQ(SaveFresh({group}), kFileOk);
  CUser store;
  ASSERT_EQ(LoadAccountFile(store, nullptr), kFileOk);
  EXPECT_EQ((*store.m_pUser)[0].userpri, 0);
  EXPECT_EQ((*store.m_pUser)[0].limitTime, 0);
  EXPECT_EQ((*store.m_pUser)[0].groupcomment, u"c");
}

// Damaged or foreign fields read as empty while the rest of the file loads.
TEST_F(AccountFileTest, NarrowLowerCaseAndDamagedFields) {
  std::u16string lower = Sealed(u"bob");
  for (char16_t& c : lower) c = static_cast<char16_t>(c >= u'A' && c <= u'F' ? c + 32 : c);
  const std::u16string group = Sealed(u"Plant");
  Bytes file;
  Archive out = Archive::Writing(file);
  CVmNewFileVersion header;
  header.m_fVersion = 1.0f;  // any version is accepted
  ASSERT_TRUE(header.Serialize(out));
  ASSERT_TRUE(out.WriteU16(2));
  ASSERT_TRUE(out.WriteI16(kTypeUser));
  for (int i = 0; i < kZoneCount; ++i) ASSERT_TRUE(out.WriteI16(static_cast<std::int16_t>(i % 2)));
  file.push_back(static_cast<std::uint8_t>(group.size()));  // narrow form
  const Bytes narrow = Ascii(group);
  file.insert(file.end(), narrow.begin(), narrow.end());
  ASSERT_TRUE(out.WriteText(lower));
  ASSERT_TRUE(out.WriteText(Sealed(u"secret").substr(0, 40)));  // bad length
  std::u16string non_hex = Sealed(u"note");
  non_hex[7] = u'G';
  ASSERT_TRUE(out.WriteText(non_hex));
  ASSERT_TRUE(out.WriteI16(12));
  ASSERT_TRUE(out.WriteI32(34));
  ASSERT_TRUE(out.WriteI16(kTypeGroup));
  for (int i = 0; i < kZoneCount; ++i) ASSERT_TRUE(out.WriteI16(0));
  ASSERT_TRUE(out.WriteText(u"Plant"));  // clear text where a sealed one belongs
  ASSERT_TRUE(out.WriteText(Sealed(u"still here")));
  file.push_back(0x42);  // bytes after the last record are never read
  PutDat(file);

  CUser store;
  ASSERT_EQ(LoadAccountFile(store, nullptr), kFileOk);
  ASSERT_EQ(store.UserCount(), 2);
  const AccountRecord& user = (*store.m_pUser)[0];
  EXPECT_EQ(user.sectionid[1], 1);
  EXPECT_EQ(user.groupname, u"Plant");
  EXPECT_EQ(user.username, u"bob");
  EXPECT_EQ(user.password, u"");
  EXPECT_EQ(user.usercomment, u"");
  EXPECT_EQ(user.userpri, 12);
  EXPECT_EQ(user.limitTime, 34);
  EXPECT_EQ((*store.m_pUser)[1].groupname, u"");
  EXPECT_EQ((*store.m_pUser)[1].groupcomment, u"still here");
}

TEST_F(AccountFileTest, MissingFileCreatesTheDefaultTable) {
  CUser store;
  ASSERT_EQ(LoadAccountFile(store, nullptr), kFileOk);
  CUser defaults;
  defaults.SetDefaultTable();
  EXPECT_EQ(*store.m_pUser, *defaults.m_pUser);
  EXPECT_EQ(Dat(), FileBytes(*defaults.m_pUser));
  EXPECT_FALSE(install_.Has("users.bak"));
  EXPECT_FALSE(install_.Has("users.111"));
  EXPECT_TRUE(store.m_bUserBackupDue);
  // The next save takes the default file as the backup.
  ASSERT_EQ(SaveAccountFile(store), kFileOk);
  EXPECT_EQ(ReadBytes(install_ / "users.bak"), FileBytes(*defaults.m_pUser));
}

TEST_F(AccountFileTest, TwoSavesAfterOneLoadKeepTheFirstBackup) {
  const Bytes loaded = FileBytes(SampleTable());
  PutDat(loaded);
  CUser store;
  ASSERT_EQ(LoadAccountFile(store, nullptr), kFileOk);
  store.m_pUser->push_back(User(u"carl", u"Line"));
  ASSERT_EQ(SaveAccountFile(store), kFileOk);
  EXPECT_FALSE(store.m_bUserBackupDue);
  EXPECT_EQ(ReadBytes(install_ / "users.bak"), loaded);
  EXPECT_EQ(Dat(), FileBytes(*store.m_pUser));

  store.m_pUser->pop_back();
  store.m_pUser->pop_back();
  ASSERT_EQ(SaveAccountFile(store), kFileOk);
  EXPECT_EQ(ReadBytes(install_ / "users.bak"), loaded);
  EXPECT_EQ(Dat(), FileBytes(*store.m_pUser));
  EXPECT_FALSE(install_.Has("users.111"));
  EXPECT_FALSE(install_.Has("users.112"));
}

TEST_F(AccountFileTest, SaveWithoutLoadReplacesWithoutBackup) {
  PutDat(FileBytes(SampleTable()));
  WriteBytes(install_ / "users.111", Bytes(5000, 0xEE));  // left by a failed save
  const Table table{Group(u"only")};
  ASSERT_EQ(SaveFresh(table), kFileOk);
  EXPECT_EQ(Dat(), FileBytes(table));
  EXPECT_FALSE(install_.Has("users.bak"));
  EXPECT_FALSE(install_.Has("users.111"));
}

TEST_F(AccountFileTest, ShortAndDamagedFiles) {
  const Bytes header = FileBytes({});  // 132 header bytes and a zero count
  ASSERT_EQ(header.size(), 134u);
  struct Row {
    const char* name;
    Bytes bytes;
    int result;
    bool backup_due;
  };
  Bytes huge_count = header;
  huge_count[132] = 0xFF;
  huge_count[133] = 0xFF;
  Bytes cut = FileBytes(SampleTable());
  cut.resize(cut.size() - 3);
  const Row rows[] = {
      {"exactly 134 bytes, count 0", header, kFileOk, true},
      {"133 bytes", Slice(header, 0, 133), kFileNotReadable, true},
      {"132 bytes", Slice(header, 0, 132), kFileNotReadable, true},
      {"3 bytes: ends inside the version", Slice(header, 0, 3), kFileNotReadable, false},
      {"empty", {}, kFileNotReadable, false},
      {"count of 65535 with no records", huge_count, kFileNotReadable, true},
      {"ends inside the last record", cut, kFileNotReadable, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    PutDat(row.bytes);
    CUser store;
    store.SetDefaultTable();
    EXPECT_EQ(LoadAccountFile(store, nullptr), row.result);
    EXPECT_EQ(store.UserCount(), 0);
    EXPECT_FALSE(store.m_pUser.has_value());  // no table: the host's save reloads first
    EXPECT_EQ(store.m_bUserBackupDue, row.backup_due);
    EXPECT_EQ(Dat(), row.bytes);  // a failed load never touches the file
  }
}

TEST_F(AccountFileTest, DirectoryTextRule) {
  testing::TempDir project;
  const Table table{Group(u"project")};
  WriteBytes(project / "users.dat", FileBytes(table));
  const std::u16string directory = project.core() + u"\\ \\\\  ";
  CUser store;
  ASSERT_EQ(LoadAccountFile(store, &directory), kFileOk);
  EXPECT_EQ(*store.m_pUser, table);

  // Only backslashes and spaces: the bare name, in the current directory.
  testing::CurrentDirectory here(project.path());
  const std::u16string nothing = u"\\ \\ ";
  CUser relative;
  ASSERT_EQ(LoadAccountFile(relative, &nothing), kFileOk);
  EXPECT_EQ(*relative.m_pUser, table);
}

TEST_F(AccountFileTest, EmptyInstallDirectoryMeansTheCurrentDirectory) {
  testing::TempDir elsewhere;
  testing::CurrentDirectory here(elsewhere.path());
  install_.Set(u"");
  CUser store;
  ASSERT_EQ(LoadAccountFile(store, nullptr), kFileOk);
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "users.dat"));
  ASSERT_EQ(SaveAccountFile(store), kFileOk);
  EXPECT_TRUE(std::filesystem::exists(elsewhere / "users.bak"));
}

// A project directory is only read: no file there means 104, nothing written.
TEST_F(AccountFileTest, ProjectDirectoryWithoutFile) {
  testing::TempDir project;
  const std::u16string directory = project.core();
  CUser store;
  EXPECT_EQ(LoadAccountFile(store, &directory), kFileNotReadable);
  EXPECT_EQ(store.UserCount(), 4);  // the default table, in memory only
  EXPECT_FALSE(std::filesystem::exists(project / "users.dat"));
  EXPECT_FALSE(install_.Has("users.dat"));

  // Naming the install directory itself is a load from the install directory.
  const std::u16string install = install_.dir().core() + u"\\\\ ";
  EXPECT_EQ(LoadAccountFile(store, &install), kFileOk);
  EXPECT_TRUE(install_.Has("users.dat"));
}

TEST_F(AccountFileTest, DefaultFileNotWritable) {
  install_.Set(install_.dir().core("missing") + u"\\");
  CUser store;
  EXPECT_EQ(LoadAccountFile(store, nullptr), kFileDefaultNotWritable);
  EXPECT_EQ(store.UserCount(), 0);
  EXPECT_FALSE(store.m_pUser);
}

// The default file was written but cannot be opened: the defaults stay in
// memory; a file that opens and then fails leaves the table empty.
TEST_F(AccountFileTest, FailedReadBackOfTheDefaultFile) {
  CUser store;
  {
    testing::FaultInjector faults;
    faults.FailEvery(testing::FileOp::kOpenRead);
    EXPECT_EQ(LoadAccountFile(store, nullptr), kFileNotReadable);
  }
  EXPECT_EQ(store.UserCount(), 4);
  EXPECT_TRUE(install_.Has("users.dat"));
  {
    testing::FaultInjector faults;
    faults.FailEvery(testing::FileOp::kRead);
    EXPECT_EQ(LoadAccountFile(store, nullptr), kFileNotReadable);
  }
  EXPECT_EQ(store.UserCount(), 0);
}

// 259 characters is the longest path; one more is refused before any file call.
TEST_F(AccountFileTest, PathLimit) {
  std::filesystem::path deep = install_.dir().path();
  std::u16string core = install_.dir().core();
  const std::size_t target = 259 - std::u16string(u"\\users.dat").size();
  ASSERT_LT(core.size() + 2, target);
  while (core.size() < target) {
    const std::size_t step = std::min<std::size_t>(100, target - core.size() - 1);
    const std::string name(std::max<std::size_t>(step, 1), 'd');
    deep /= name;
    core += u"\\" + std::u16string(name.begin(), name.end());
  }
  ASSERT_EQ(core.size(), target);
  std::filesystem::create_directories(deep);

  install_.Set(core + u"\\");
  CUser store;
  store.m_pUser = Table{Group(u"g")};
  EXPECT_EQ(SaveAccountFile(store), kFileOk);
  EXPECT_TRUE(std::filesystem::exists(deep / "users.dat"));
  EXPECT_EQ(LoadAccountFile(store, &core), kFileOk);

  std::filesystem::create_directories(deep / "x");
  install_.Set(core + u"\\x\\");
  EXPECT_EQ(SaveAccountFile(store), kFileNotWritable);
  const std::u16string longer = core + u"\\x";
  EXPECT_EQ(LoadAccountFile(store, &longer), kFileNotReadable);
  EXPECT_TRUE(std::filesystem::is_empty(deep / "x"));
}

// The count is 16 bits: a larger table is refused, never written cut short.
TEST_F(AccountFileTest, TooManyRecordsAreRefused) {
  const Bytes old = FileBytes(SampleTable());
  PutDat(old);
  CUser store;
  store.m_pUser = Table(static_cast<std::size_t>(kMaxAccounts) + 1, Group(u"g"));
  EXPECT_EQ(SaveAccountFile(store), kFileNotWritable);
  EXPECT_EQ(Dat(), old);
  store.m_pUser->pop_back();
  EXPECT_EQ(SaveAccountFile(store), kFileOk);
}

// --- Fault injection: every file call of a save or load fails in turn.

struct SaveCase {
  const char* name;
  bool old_file;     // users.dat exists before the save
  bool backup_due;   // the store has loaded it
};

TEST_F(AccountFileTest, SaveSurvivesAnyFailingFileCall) {
  const Table old_table = SampleTable();
  Table new_table = old_table;
  new_table.push_back(User(u"new", u"Line"));
  const Bytes old_bytes = FileBytes(old_table);
  const Bytes new_bytes = FileBytes(new_table);
  const SaveCase cases[] = {{"backup due", true, true},
                            {"no backup due", true, false},
                            {"no file yet", false, true}};
  for (const SaveCase& c : cases) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(c.name) + ", failing call " + std::to_string(n));
      std::filesystem::remove(install_ / "users.bak");
      std::filesystem::remove(install_ / "users.dat");
      if (c.old_file) PutDat(old_bytes);
      CUser store;
      store.m_pUser = new_table;
      store.m_bUserBackupDue = c.backup_due;
      int result;
      bool fired;
      std::string failed_op;
      {
        testing::FaultInjector faults;
        faults.FailNth(n);
        result = SaveAccountFile(store);
        fired = faults.fired();
        if (fired) failed_op = testing::FileOpName(faults.calls()[n - 1]);
      }
      SCOPED_TRACE(failed_op);
      const bool has_dat = install_.Has("users.dat");
      if (result == kFileOk) {
        EXPECT_EQ(Dat(), new_bytes);
      } else {
        EXPECT_EQ(result, kFileNotWritable);
        EXPECT_EQ(has_dat, c.old_file);  // never left without users.dat
        if (has_dat) {
          EXPECT_EQ(Dat(), old_bytes);
        }
        // The flag is cleared only once the backup is in place.
        EXPECT_EQ(store.m_bUserBackupDue, c.backup_due && !install_.Has("users.bak"));
      }
      if (result == kFileOk && c.old_file && c.backup_due) {
        EXPECT_EQ(ReadBytes(install_ / "users.bak"), old_bytes);
      }
      EXPECT_FALSE(install_.Has("users.111"));
      EXPECT_FALSE(install_.Has("users.112"));
      if (c.old_file || result == kFileOk) {
        CUser reader;
        ASSERT_EQ(LoadAccountFile(reader, nullptr), kFileOk);
        EXPECT_EQ(*reader.m_pUser, result == kFileOk ? new_table : old_table);
      }
      if (!fired) {
        EXPECT_GT(n, 5);  // the injector saw every call of the save
        break;
      }
    }
  }
}

TEST_F(AccountFileTest, LoadSurvivesAnyFailingFileCall) {
  CUser defaults;
  defaults.SetDefaultTable();
  const Table existing = SampleTable();
  for (bool file_exists : {true, false}) {
    for (int n = 1;; ++n) {
      SCOPED_TRACE(std::string(file_exists ? "existing file" : "default creation") +
                   ", failing call " + std::to_string(n));
      std::filesystem::remove(install_ / "users.dat");
      if (file_exists) PutDat(FileBytes(existing));
      const Table& expected = file_exists ? existing : *defaults.m_pUser;
      CUser store;
      int result;
      bool fired;
      {
        testing::FaultInjector faults;
        faults.FailNth(n);
        result = LoadAccountFile(store, nullptr);
        fired = faults.fired();
      }
      if (result == kFileOk) {
        EXPECT_EQ(*store.m_pUser, expected);
      } else {
        EXPECT_TRUE(result == kFileNotReadable || result == kFileDefaultNotWritable) << result;
      }
      // The accounts on disk are never lost or replaced by defaults.
      if (file_exists) {
        EXPECT_EQ(Dat(), FileBytes(existing));
      }
      if (install_.Has("users.dat")) {
        CUser reader;
        ASSERT_EQ(LoadAccountFile(reader, nullptr), kFileOk);
        EXPECT_EQ(*reader.m_pUser, expected);
      }
      EXPECT_FALSE(install_.Has("users.111"));
      if (!fired) {
        EXPECT_GT(n, 5);
        break;
      }
    }
  }
}

}  // namespace
}  // namespace warden
