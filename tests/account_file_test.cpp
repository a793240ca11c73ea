#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "accounts/account_file.h"
#include "platform/files.h"
#include "storage/file_version.h"
#include "tests/support/data_file_checks.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"

namespace warden {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Table = std::vector<AccountRecord>;
using testing::FileOp;
using testing::InstallLocation;
using testing::ReadBytes;

AccountRecord User(const std::u16string& name, const std::u16string& group, std::int16_t pri = 5,
                   std::int32_t limit = 30) {
  return {kTypeUser, {0, 0, 0, 1}, group, name, u"pw-" + name, u"of " + name, pri, limit, u""};
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
  EXPECT_TRUE(CVmNewFileVersion().Serialize(archive) && WriteAccountTable(archive, table));
  return bytes;
}

class AccountFileTest : public ::testing::Test {
 protected:
  Bytes Dat() const { return ReadBytes(install_ / "users.dat"); }
  void PutDat(const Bytes& bytes) { testing::WriteBytes(install_ / "users.dat", bytes); }
  testing::InstallDir install_;
};

// A field that will not unseal reads as empty while the rest loads; the
// version in the header and bytes after the last record are never looked at.
TEST_F(AccountFileTest, DamagedFieldReadsAsEmpty) {
  Bytes bytes = FileBytes(SampleTable());
  bytes[268] = 'G';  // the first digit of the first record's sealed name
  bytes[1] ^= 0x55;  // the version
  bytes.push_back(0x42);
  PutDat(bytes);
  Table expected = SampleTable();
  expected[0].groupname.clear();
  CUser store;
  ASSERT_EQ(LoadAccountFile(store, InstallLocation()), kFileOk);
  EXPECT_EQ(store.m_pUser, expected);
}

// A file that fails to load leaves no table, and is never taken as the
// backup. The count is checked against the bytes left before the table is
// allocated: records of the least size (another type, an empty narrow name)
// fill them exactly.
TEST_F(AccountFileTest, ShortAndDamagedFiles) {
  const Bytes header = FileBytes({});  // 132 header bytes and a zero count
  Bytes huge_count = header, cut = FileBytes(SampleTable()), least = header;
  huge_count[132] = huge_count[133] = 0xFF;
  cut.resize(cut.size() - 3);
  least[132] = 3;
  // Each: the type 7, the zones and the name's length byte, all 0.
  for (int i = 0; i < 3 * (2 + 2 * kZoneCount + 1); ++i) least.push_back(i % 131 == 0 ? 7 : 0);
  Bytes over_limit = FileBytes(Table(kMaxAccounts, AccountRecord{}));  // 134 bytes a record
  over_limit.insert(over_limit.end(), over_limit.end() - 134, over_limit.end() - 0);
  over_limit[132] = 0x00, over_limit[133] = 0x80;
  const struct {
    const char* name;
    Bytes bytes;
    int result, records;
  } rows[] = {
      {"exactly 134 bytes, count 0", header, kFileOk, 0},
      {"133 bytes", Bytes(header.begin(), header.end() - 1), kFileNotReadable, 0},
      {"3 bytes: ends inside the version", Bytes(header.begin(), header.begin() + 3),
       kFileNotReadable, 0},
      {"count of 65535 with no records", huge_count, kFileNotReadable, 0},
      // Beyond what the interface can count, however whole the file.
      {"count of 32768 with all its records", over_limit, kFileNotReadable, 0},
      {"ends inside the last record", cut, kFileNotReadable, 0},
      {"three records of the least size", least, kFileOk, 3},
      {"one byte short of them", Bytes(least.begin(), least.end() - 1), kFileNotReadable, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PutDat(row.bytes);
    CUser store;
    store.SetDefaultTable();
    store.m_bUserBackupDue = true;
    EXPECT_EQ(LoadAccountFile(store, InstallLocation()), row.result);
    EXPECT_EQ(store.m_pUser.has_value(), row.records > 0);  // no table: the host's save reloads
    EXPECT_EQ(store.UserCount(), row.records);
    EXPECT_EQ(store.m_bUserBackupDue, row.result == kFileOk);
    EXPECT_EQ(Dat(), row.bytes);  // a failed load never touches the file
  }
}

// The default file written but not read back: the defaults stay when it will
// not open; the store is left without a table when it fails while being
// read, or when no default file could be written at all.
TEST_F(AccountFileTest, FailedDefaultFile) {
  CUser defaults;
  defaults.SetDefaultTable();
  for (const FileOp op : {FileOp::kOpenRead, FileOp::kRead, FileOp::kOpenWrite}) {
    SCOPED_TRACE(static_cast<int>(op));
    std::filesystem::remove(install_ / "users.dat");
    CUser store;
    testing::FaultInjector faults;
    faults.FailEvery(op);
    const bool written = op != FileOp::kOpenWrite;
    EXPECT_EQ(LoadAccountFile(store, InstallLocation()),
              written ? kFileNotReadable : kFileDefaultNotWritable);
    EXPECT_EQ(install_.Has("users.dat"), written);
    EXPECT_EQ(store.m_pUser, op == FileOp::kOpenRead ? defaults.m_pUser : std::nullopt);
  }
}

// The count is 16 bits: a larger table is refused, never written cut short.
TEST_F(AccountFileTest, TooManyRecordsAreRefused) {
  const Bytes old = FileBytes(SampleTable());
  PutDat(old);
  CUser store;
  store.m_pUser = Table(static_cast<std::size_t>(kMaxAccounts) + 1, Group(u"g"));
  EXPECT_EQ(SaveAccountFile(store, InstallLocation()), kFileNotWritable);
  EXPECT_EQ(Dat(), old);
  store.m_pUser->pop_back();
  EXPECT_EQ(SaveAccountFile(store, InstallLocation()), kFileOk);
}

testing::DataFile UsersDat() {
  const auto fill = [](CUser& store, testing::Content content) {
    store.SetDefaultTable();
    if (content != testing::Content::kDefault) store.m_pUser = SampleTable();
    if (content == testing::Content::kNew) store.m_pUser->push_back(User(u"new", u"Line"));
  };
  return {"users",
          LoadAccountFile,
          SaveAccountFile,
          fill,
          [](const CUser& store) { return store.m_pUser ? FileBytes(*store.m_pUser) : Bytes(); },
          [](CUser& store) -> bool& { return store.m_bUserBackupDue; }};
}

TEST_F(AccountFileTest, DirectoryRule) { testing::ExpectDirectoryRule(UsersDat(), install_); }
TEST_F(AccountFileTest, SaveSurvivesAnyFailingFileCall) {
  testing::ExpectSaveSurvivesAnyFailingFileCall(UsersDat(), install_);
}
TEST_F(AccountFileTest, LoadSurvivesAnyFailingFileCall) {
  testing::ExpectLoadSurvivesAnyFailingFileCall(UsersDat(), install_);
}

// A save waits while another process holds users.lck, and leaves the file
// alone until then. Where no lock file is nor can be made, nobody can save,
// and the file is read without it; one there that cannot be had fails the read.
TEST_F(AccountFileTest, TheLockFile) {
  const Bytes old = FileBytes(SampleTable());
  PutDat(old);
  const auto held = platform::Files().lock(install_.dir().core("users.lck"), 0);
  CUser store;
  store.m_pUser = Table{Group(u"new")};
  auto save =
      std::async(std::launch::async, [&] { return SaveAccountFile(store, InstallLocation()); });
  EXPECT_EQ(save.wait_for(std::chrono::milliseconds(200)), std::future_status::timeout);
  EXPECT_EQ(Dat(), old);
  platform::Files().unlock(held);
  EXPECT_EQ(save.get(), kFileOk);
  std::filesystem::remove(install_ / "users.lck");
  testing::FaultInjector faults;
  faults.FailEvery(FileOp::kLock);
  EXPECT_EQ(LoadAccountFile(store, InstallLocation()), kFileOk);
  EXPECT_EQ(store.m_pUser, Table{Group(u"new")});
  testing::WriteBytes(install_ / "users.lck", {});
  EXPECT_EQ(LoadAccountFile(store, InstallLocation()), kFileNotReadable);
}

}  // namespace
}  // namespace warden
