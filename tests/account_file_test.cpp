#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <future>
#include <thread>

#include "accounts/account_file.h"
#include "platform/module_file.h"
#include "platform/text.h"
#include "storage/field_cipher.h"
#include "storage/file_version.h"
#include "tests/support/built_files.h"
#include "tests/support/data_file_checks.h"
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
  return {kTypeUser, {0, 0, 0, 1}, group, name, u"pw-" + name, u"comment of " + name,
          pri,       limit,        u""};
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

// A file that fails to load leaves no table, and is never taken as the backup.
TEST_F(AccountFileTest, ShortAndDamagedFiles) {
  const Bytes header = FileBytes({});  // 132 header bytes and a zero count
  ASSERT_EQ(header.size(), 134u);
  Bytes huge_count = header;
  huge_count[132] = huge_count[133] = 0xFF;
  Bytes cut = FileBytes(SampleTable());
  cut.resize(cut.size() - 3);
  AccountRecord smallest;  // type 0: zone flags and an empty name, 134 bytes
  Bytes over_limit = FileBytes(Table(kMaxAccounts, smallest));
  const Bytes one_more(over_limit.end() - 134, over_limit.end());
  over_limit.insert(over_limit.end(), one_more.begin(), one_more.end());
  over_limit[132] = 0x00, over_limit[133] = 0x80;
  const struct {
    const char* name;
    Bytes bytes;
    int result;
  } rows[] = {
      {"exactly 134 bytes, count 0", header, kFileOk},
      {"133 bytes", Slice(header, 0, 133), kFileNotReadable},
      {"5 bytes: the version and a short block", Slice(header, 0, 5), kFileNotReadable},
      {"3 bytes: ends inside the version", Slice(header, 0, 3), kFileNotReadable},
      {"count of 65535 with no records", huge_count, kFileNotReadable},
      // Beyond what the interface can count, however whole the file.
      {"count of 32768 with all its records", over_limit, kFileNotReadable},
      {"ends inside the last record", cut, kFileNotReadable},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    PutDat(row.bytes);
    CUser store;
    store.SetDefaultTable();
    store.m_bUserBackupDue = true;
    EXPECT_EQ(LoadAccountFile(store, testing::InstallLocation()), row.result);
    EXPECT_FALSE(store.m_pUser.has_value());  // no table: the host's save reloads first
    EXPECT_EQ(store.m_bUserBackupDue, row.result == kFileOk);
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
    if (store.m_pUser) {
      EXPECT_EQ(store.m_pUser, defaults.m_pUser);
    }
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
  return {"users",
          LoadAccountFile,
          SaveAccountFile,
          fill,
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

// Several processes read and save users.dat of one directory at once; each
// is this test program, running one AccountFileWriter below. WARDEN_WRITERS
// tells the writers the round and the directory; each writes down in
// results<n> how each of its saves ended ('1' done, '0' failed).
constexpr int kWriters = 4;
constexpr int kSaves = 3;
constexpr char kWritersVariable[] = "WARDEN_WRITERS";

Table WriterTable(int writer, int round, int save) {
  const std::u16string prefix = u"w" + platform::ToDecimal(writer) + u"r" +
                                platform::ToDecimal(round) + u"s" + platform::ToDecimal(save);
  Table table{Group(u"Line")};
  for (int i = 0; i < 2000; ++i) table.push_back(User(prefix + platform::ToDecimal(i), u"Line"));
  return table;
}

std::string Ready(int writer) { return "ready" + std::to_string(writer); }
std::string Results(int writer) { return "results" + std::to_string(writer); }

bool WaitFor(const std::filesystem::path& file) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!std::filesystem::exists(file)) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void SetWriters(const std::string& value) {
#ifdef _WIN32
  _putenv_s(kWritersVariable, value.c_str());
#else
  setenv(kWritersVariable, value.c_str(), 1);
#endif
}

void RunWriter(int index) {
  const std::string program =
      testing::FileSystemPath(platform::ModuleFileName(1024, 1024)).string();
  const std::string filter =
      " --gtest_filter=Writers/AccountFileWriter.LoadsAndSaves/" + std::to_string(index);
#ifdef _WIN32
  std::system(("\"\"" + program + "\"" + filter + " >NUL 2>&1\"").c_str());
#else
  std::system(("'" + program + "'" + filter + " >/dev/null 2>&1").c_str());
#endif
}

// Last writer wins, whole: after every round users.dat is exactly a table
// whose save was reported done, never one whose save was reported failed.
TEST_F(AccountFileTest, WritersInSeveralProcessesFollowOneAnother) {
  Table before = SampleTable();
  PutDat(FileBytes(before));
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    SetWriters(std::to_string(round) + " " + platform::ToUtf8(install_.dir().core()));
    std::vector<std::future<void>> writers;
    for (int w = 0; w < kWriters; ++w) {
      writers.push_back(std::async(std::launch::async, RunWriter, w));
    }
    for (int w = 0; w < kWriters; ++w) WaitFor(install_ / Ready(w));
    testing::WriteBytes(install_ / "go", {});  // all start at once
    std::vector<Table> saved, failed;
    for (int w = 0; w < kWriters; ++w) {
      writers[w].wait();
      const Bytes results = ReadBytes(install_ / Results(w));
      ASSERT_EQ(results.size(), static_cast<std::size_t>(kSaves)) << "writer " << w;
      for (int k = 0; k < kSaves; ++k) {
        (results[k] == '1' ? saved : failed).push_back(WriterTable(w, round, k));
      }
    }
    CUser reader;
    ASSERT_EQ(LoadAccountFile(reader, testing::InstallLocation()), kFileOk);
    const Table& now = *reader.m_pUser;
    EXPECT_EQ(std::count(failed.begin(), failed.end(), now), 0);
    EXPECT_EQ(std::count(saved.begin(), saved.end(), now) + (saved.empty() && now == before), 1)
        << saved.size() << " saves done";
    before = now;
    for (int w = 0; w < kWriters; ++w) {
      std::filesystem::remove(install_ / Ready(w));
      std::filesystem::remove(install_ / Results(w));
    }
    std::filesystem::remove(install_ / "go");
  }
  SetWriters("");
}

// A read waits for the lock; where no lock file is nor can be made, nobody
// can save, and the file is read without it.
TEST_F(AccountFileTest, ReadsWithoutALockOnlyWhereNoneCanBeMade) {
  PutDat(FileBytes(SampleTable()));
  CUser store;
  testing::FaultInjector faults;
  faults.FailEvery(testing::FileOp::kLock);
  EXPECT_EQ(LoadAccountFile(store, testing::InstallLocation()), kFileOk);
  testing::WriteBytes(install_ / "users.lck", {});
  EXPECT_EQ(LoadAccountFile(store, testing::InstallLocation()), kFileNotReadable);
}

class AccountFileWriter : public ::testing::TestWithParam<int> {};

// One writer: says it is ready, waits for the go, then reads and saves its
// tables in turn.
TEST_P(AccountFileWriter, LoadsAndSaves) {
  const char* writers = std::getenv(kWritersVariable);
  if (!writers || !*writers) GTEST_SKIP() << "a writer process of the test above";
  const std::string assignment = writers;  // "<round> <directory>"
  const int round = std::stoi(assignment);
  const std::u16string directory = platform::FromUtf8(assignment.substr(assignment.find(' ') + 1));
  const std::filesystem::path folder = testing::FileSystemPath(directory);
  testing::WriteBytes(folder / Ready(GetParam()), {});
  ASSERT_TRUE(WaitFor(folder / "go"));
  const DataLocation location = DataLocation::Install(directory);
  Bytes results;
  for (int k = 0; k < kSaves; ++k) {
    // Staggered, so that saves also meet half way, not only at their start.
    std::this_thread::sleep_for(std::chrono::milliseconds(10 * GetParam()));
    CUser store;
    const bool loaded = LoadAccountFile(store, location) == kFileOk;
    store.m_pUser = WriterTable(GetParam(), round, k);
    results.push_back(loaded && SaveAccountFile(store, location) == kFileOk ? '1' : '0');
  }
  testing::WriteBytes(folder / Results(GetParam()), results);
}
INSTANTIATE_TEST_SUITE_P(Writers, AccountFileWriter, ::testing::Range(0, kWriters));

}  // namespace
}  // namespace warden
