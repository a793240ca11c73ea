#include <gtest/gtest.h>

#include "accounts/account_file.h"
#include "storage/field_cipher.h"
#include "storage/file_version.h"
#include "tests/support/install_dir.h"
#include "tests/support/data_file_checks.h"
#include "tests/support/fault_injection.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Table = std::vector<AccountRecord>;
using testing::ReadBytes;
using testing::WriteBytes;

AccountRecord User(const std::u16string& name, const std::u16string& group, std::int16_t pri = 5,
                   std::int32_t limit = 30) {
  return {kTypeUser, {0, 0, 0, 1}, group, name, u"pw-" + name, u"comment of " + name,
          pri, limit, u""};
}

AccountRecord Group(const std::u16string& name, const std::u16string& comment = u"") {
  return {kTypeGroup, {1}, name, u"", u"", u"", 0, 0, comment};
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

std::u16string Sealed(const std::u16string& text) {
  std::u16string sealed;
  EXPECT_TRUE(EncipherText(text, &sealed));
  return sealed;
}

class AccountFileTest : public ::testing::Test {
 protected:
  Bytes Dat() const { return ReadBytes(install_ / "users.dat"); }
  void PutDat(const Bytes& bytes) { WriteBytes(install_ / "users.dat", bytes); }

  testing::InstallDir install_;
};

TEST_F(AccountFileTest, SaveThenLoadRoundTrip) {
  Table table = SampleTable();
  table.push_back(Group(u"odd"));
  table.back().type = 0;
  table.push_back(User(u"", u"", 0, 0));  // all-empty user fields
  table.push_back(User(std::u16string(300, u'\u4E2D'), u"Line"));
  // Enough texts of varied lengths to straddle the file buffer's refills.
  for (int i = 0; i < 400; ++i) table.push_back(User(std::u16string(i % 97, u'v'), u"Line"));
  CUser store;
  store.m_pUser = table;
  ASSERT_EQ(SaveAccountFile(store, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(Dat(), FileBytes(table));
  CUser reader;
  ASSERT_EQ(LoadAccountFile(reader, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(*reader.m_pUser, table);
}

// Damaged or foreign fields read as empty while the rest of the file loads.
TEST_F(AccountFileTest, NarrowLowerCaseAndDamagedFields) {
  std::u16string lower = Sealed(u"bob");
  for (char16_t& c : lower) c = static_cast<char16_t>(c >= u'A' && c <= u'F' ? c + 32 : c);
  std::u16string non_hex = Sealed(u"note");
  non_hex[7] = u'G';
  Bytes file;
  Archive out = Archive::Writing(file);
  CVmNewFileVersion header;
  header.m_fVersion = 1.0f;  // any version is accepted
  ASSERT_TRUE(header.Serialize(out) && out.WriteU16(2) && out.WriteI16(kTypeUser));
  for (int i = 0; i < kZoneCount; ++i) ASSERT_TRUE(out.WriteI16(static_cast<std::int16_t>(i % 2)));
  const std::u16string group = Sealed(u"Plant");
  file.push_back(static_cast<std::uint8_t>(group.size()));  // narrow form
  for (char16_t c : group) file.push_back(static_cast<std::uint8_t>(c));
  ASSERT_TRUE(out.WriteText(lower));
  ASSERT_TRUE(out.WriteText(Sealed(u"secret").substr(0, 40)));  // bad length
  ASSERT_TRUE(out.WriteText(non_hex) && out.WriteI16(12) && out.WriteI32(34));
  ASSERT_TRUE(out.WriteI16(kTypeGroup));
  for (int i = 0; i < kZoneCount; ++i) ASSERT_TRUE(out.WriteI16(0));
  ASSERT_TRUE(out.WriteText(u"Plant"));  // clear text where a sealed one belongs
  ASSERT_TRUE(out.WriteText(Sealed(u"still here")));
  file.push_back(0x42);  // bytes after the last record are never read
  PutDat(file);

  CUser store;
  ASSERT_EQ(LoadAccountFile(store, testing::InstallLocation()), kFileOk);
  ASSERT_EQ(store.UserCount(), 2);
  const AccountRecord& user = (*store.m_pUser)[0];
  EXPECT_EQ(user.sectionid[1], 1);
  EXPECT_EQ(user.groupname, u"Plant");
  EXPECT_EQ(user.username, u"bob");
  EXPECT_EQ(user.password + user.usercomment, u"");
  EXPECT_EQ(user.userpri, 12);
  EXPECT_EQ(user.limitTime, 34);
  EXPECT_EQ((*store.m_pUser)[1].groupname, u"");
  EXPECT_EQ((*store.m_pUser)[1].groupcomment, u"still here");
}

TEST_F(AccountFileTest, ShortAndDamagedFiles) {
  const Bytes header = FileBytes({});  // 132 header bytes and a zero count
  ASSERT_EQ(header.size(), 134u);
  Bytes huge_count = header;
  huge_count[132] = huge_count[133] = 0xFF;
  Bytes cut = FileBytes(SampleTable());
  cut.resize(cut.size() - 3);
  const struct {
    const char* name;
    Bytes bytes;
    int result;
    bool backup_due;
  } rows[] = {
      {"exactly 134 bytes, count 0", header, kFileOk, true},
      {"133 bytes", Slice(header, 0, 133), kFileNotReadable, true},
      {"5 bytes: the version and a short block", Slice(header, 0, 5), kFileNotReadable, true},
      {"3 bytes: ends inside the version", Slice(header, 0, 3), kFileNotReadable, false},
      {"count of 65535 with no records", huge_count, kFileNotReadable, true},
      {"ends inside the last record", cut, kFileNotReadable, true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PutDat(row.bytes);
    CUser store;
    store.SetDefaultTable();
    EXPECT_EQ(LoadAccountFile(store, testing::InstallLocation()), row.result);
    EXPECT_FALSE(store.m_pUser.has_value());  // no table: the host's save reloads first
    EXPECT_EQ(store.m_bUserBackupDue, row.backup_due);
    EXPECT_EQ(Dat(), row.bytes);  // a failed load never touches the file
  }
}

// The count is checked against the bytes left before the table is
// allocated: records of the least size (another type, an empty narrow name)
// fill them exactly; one byte short fails before any record is read.
TEST(AccountTableTest, CountIsCheckedAgainstTheBytesLeft) {
  Bytes bytes{3, 0};
  for (int i = 0; i < 3; ++i) {
    bytes.push_back(7);
    bytes.insert(bytes.end(), 2 * kZoneCount + 2, 0);
  }
  for (const std::size_t size : {bytes.size(), bytes.size() - 1}) {
    Archive in = Archive::Reading(bytes.data(), size);
    Table table;
    EXPECT_EQ(ReadAccountTable(in, &table), size == bytes.size());
    EXPECT_EQ(table.size(), size == bytes.size() ? 3u : 0u);
    EXPECT_EQ(in.Remaining(), size == bytes.size() ? 0u : size - 2);
  }
}

// The default file written but not read back: the defaults stay when it will
// not open; the store is left without a table when it fails while being read.
TEST_F(AccountFileTest, FailedReadBackOfTheDefaultFile) {
  CUser defaults;
  defaults.SetDefaultTable();
  for (const testing::FileOp op : {testing::FileOp::kOpenRead, testing::FileOp::kRead}) {
    SCOPED_TRACE(testing::FileOpName(op));
    std::filesystem::remove(install_ / "users.dat");
    CUser store;
    testing::FaultInjector faults;
    faults.FailEvery(op);
    EXPECT_EQ(LoadAccountFile(store, testing::InstallLocation()), kFileNotReadable);
    EXPECT_TRUE(install_.Has("users.dat"));
    EXPECT_EQ(store.m_pUser.has_value(), op == testing::FileOp::kOpenRead);
    if (store.m_pUser) EXPECT_EQ(store.m_pUser, defaults.m_pUser);
  }
}

// No default file could be written: no table either.
TEST_F(AccountFileTest, UnwritableDirectoryLeavesNoTable) {
  install_.Set(install_.dir().core("missing") + u"\\");
  CUser store;
  EXPECT_EQ(LoadAccountFile(store, testing::InstallLocation()), kFileDefaultNotWritable);
  EXPECT_FALSE(store.m_pUser);
}

// The count is 16 bits: a larger table is refused, never written cut short.
TEST_F(AccountFileTest, TooManyRecordsAreRefused) {
  const Bytes old = FileBytes(SampleTable());
  PutDat(old);
  CUser store;
  store.m_pUser = Table(static_cast<std::size_t>(kMaxAccounts) + 1, Group(u"g"));
  EXPECT_EQ(SaveAccountFile(store, testing::InstallLocation()), kFileNotWritable);
  EXPECT_EQ(Dat(), old);
  store.m_pUser->pop_back();
  EXPECT_EQ(SaveAccountFile(store, testing::InstallLocation()), kFileOk);
}

testing::DataFile UsersDat() {
  const auto fill = [](CUser& store, testing::Content content) {
    store.SetDefaultTable();
    if (content != testing::Content::kDefault) store.m_pUser = SampleTable();
    if (content == testing::Content::kNew) store.m_pUser->push_back(User(u"new", u"Line"));
  };
  return {"users", LoadAccountFile, SaveAccountFile, fill,
          [](const CUser& store) { return store.m_pUser ? FileBytes(*store.m_pUser) : Bytes(); },
          [](CUser& store) -> bool& { return store.m_bUserBackupDue; }};
}

TEST_F(AccountFileTest, SaveProtocol) { testing::ExpectSaveProtocol(UsersDat(), install_); }
TEST_F(AccountFileTest, DirectoryRule) { testing::ExpectDirectoryRule(UsersDat(), install_); }
TEST_F(AccountFileTest, SaveSurvivesAnyFailingFileCall) {
  testing::ExpectSaveSurvivesAnyFailingFileCall(UsersDat(), install_);
}
TEST_F(AccountFileTest, LoadSurvivesAnyFailingFileCall) {
  testing::ExpectLoadSurvivesAnyFailingFileCall(UsersDat(), install_);
}

}  // namespace
}  // namespace warden
