// IConfig over real files in a temporary install directory (and project
// directories), through Config objects made by the class factory.
#include <gtest/gtest.h>

#include <vector>

#include "accounts/account_file.h"
#include "accounts/user_store.h"
#include "platform/text.h"
#include "shell/com_module.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"
#include "tests/support/install_dir.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using testing::ReadBytes;
using testing::TempDir;
using Table = std::vector<AccountRecord>;

AccountRecord User(const std::u16string& name, const std::u16string& group,
                   const std::u16string& password, std::int16_t pri, std::int32_t limit) {
  AccountRecord r;
  r.type = kTypeUser;
  r.groupname = group;
  r.username = name;
  r.password = password;
  r.usercomment = u"about " + name;
  r.userpri = pri;
  r.limitTime = limit;
  r.sectionid[2] = 1;
  return r;
}

AccountRecord Group(const std::u16string& name) {
  AccountRecord r;
  r.type = kTypeGroup;
  r.groupname = name;
  r.groupcomment = u"the " + name;
  r.sectionid[0] = 1;
  return r;
}

std::u16string Text(const OLECHAR* text) {
  return text ? std::u16string(platform::FromOle(text)) : u"<null>";
}

// Literals only: the pointer must outlive the call.
OLECHAR* Ole(const char16_t* literal) { return platform::ToOle(literal); }

// A BSTR-shaped argument: the host's strings are zero-terminated.
class Path {
 public:
  explicit Path(std::u16string text) : text_(std::move(text)) {}
  operator BSTR() { return platform::ToOle(text_.c_str()); }

 private:
  std::u16string text_;
};

// What a host allocates: entries filled with markers, so that untouched
// fields can be told from written ones.
USER_idl Marked() {
  static char16_t marker[] = u"marker";
  USER_idl entry{};
  entry.type = -1;
  entry.groupname = entry.username = entry.password = entry.usercomment = entry.groupcomment =
      platform::ToOle(marker);
  entry.userpri = -7;
  entry.limitTime = -9;
  return entry;
}

class ConfigObjectTest : public ::testing::Test {
 protected:
  ConfigObjectTest() { ResetStores(); }
  ~ConfigObjectTest() override {
    for (IConfig* object : objects_) object->Release();
    ResetStores();
    EXPECT_EQ(ModuleLockCount(), 0);
  }

  static void ResetStores() {
    for (CUser* store : {&ApplicationStore(), &ProjectStore()}) {
      store->ReleaseTable();
      store->m_pCurUser.reset();
      store->m_strSection = {};
      store->m_bUserBackupDue = store->m_bSectionBackupDue = false;
    }
  }

  IConfig* NewConfig() {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(GetClassObject(kClsidConfig, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              S_OK);
    IConfig* config = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, kIidIConfig, reinterpret_cast<void**>(&config)),
              S_OK);
    factory->Release();
    objects_.push_back(config);
    return config;
  }

  // Writes `table` as users.dat of the install directory, or copies it to
  // `project`; the stores are left empty.
  void WriteUsers(const Table& table, const TempDir* project = nullptr) {
    CUser store;
    store.m_pUser = table;
    ASSERT_EQ(SaveAccountFile(store), kFileOk);
    if (project) {
      std::filesystem::rename(install_ / "users.dat", *project / "users.dat");
    }
  }
  void WriteZones(const std::u16string& zone1, const TempDir* project = nullptr) {
    CUser store;
    for (int zone = 0; zone < kZoneCount; ++zone) store.m_strSection[zone] = u"Z" + platform::ToDecimal(zone);
    store.m_strSection[1] = zone1;
    ASSERT_EQ(SaveSectionFile(store), kFileOk);
    if (project) std::filesystem::rename(install_ / "section.dat", *project / "section.dat");
  }

  short LastError(IConfig* config) {
    short error = -1;
    EXPECT_EQ(config->GetLastError(&error), S_OK);
    return error;
  }

  testing::InstallDir install_;
  TempDir project_;
  std::vector<IConfig*> objects_;
  Path none_{u""};
};

const Table kInstallTable = {Group(u"Plant"), User(u"anna", u"Plant", u"pw", 10, 255),
                             User(u"bob", u"", u"", 3, 0)};
const Table kProjectTable = {Group(u"Line"), User(u"\u738B\u5C0F\u660E", u"Line", u"x", 999, 5)};

TEST_F(ConfigObjectTest, CountsAndRecordsWithAndWithoutNetPath) {
  WriteUsers(kProjectTable, &project_);
  WriteUsers(kInstallTable);
  IConfig* config = NewConfig();
  Path project(project_.core());

  short count = -1;
  ASSERT_EQ(config->GetUserNum(&count, project), S_OK);
  EXPECT_EQ(count, 2);
  // The application store was never loaded: nothing is written.
  std::vector<USER_idl> entries(4, Marked());
  ASSERT_EQ(config->GetAllUser(4, entries.data(), none_), S_OK);
  EXPECT_EQ(entries[0].type, -1);

  ASSERT_EQ(config->GetAllUser(0, entries.data(), project), S_OK);  // the count is not read
  EXPECT_EQ(Text(entries[1].username), u"\u738B\u5C0F\u660E");
  EXPECT_EQ(entries[2].type, -1);

  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(count, 3);
  entries.assign(4, Marked());
  ASSERT_EQ(config->GetAllUser(1, entries.data(), none_), S_OK);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const AccountRecord& want = kInstallTable[i];
    EXPECT_EQ(entries[i].type, want.type);
    EXPECT_EQ(entries[i].sectionid[0], want.sectionid[0]);
    EXPECT_EQ(entries[i].sectionid[2], want.sectionid[2]);
  }
  EXPECT_EQ(entries[3].type, -1);  // never more than the store's count
  EXPECT_EQ(Text(entries[1].groupname), u"Plant");
  EXPECT_EQ(Text(entries[1].password), u"pw");
  EXPECT_EQ(Text(entries[1].usercomment), u"about anna");
  EXPECT_EQ(entries[1].userpri, 10);
  EXPECT_EQ(entries[1].limitTime, 255);
  // The project store still holds what its own load read.
  entries.assign(2, Marked());
  ASSERT_EQ(config->GetAllUser(2, entries.data(), project), S_OK);
  EXPECT_EQ(Text(entries[0].groupname), u"Line");
}

TEST_F(ConfigObjectTest, GroupsAndEmptyStringsLeaveTheCallersFieldsAlone) {
  WriteUsers(kInstallTable);
  IConfig* config = NewConfig();
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  std::vector<USER_idl> entries(3, Marked());
  ASSERT_EQ(config->GetAllUser(count, entries.data(), none_), S_OK);

  const USER_idl& group = entries[0];
  EXPECT_EQ(Text(group.groupname), u"Plant");
  EXPECT_EQ(Text(group.groupcomment), u"the Plant");
  EXPECT_EQ(Text(group.username), u"marker");
  EXPECT_EQ(Text(group.password), u"marker");
  EXPECT_EQ(Text(group.usercomment), u"marker");
  EXPECT_EQ(group.userpri, -7);
  EXPECT_EQ(group.limitTime, -9);

  // bob has no group, no password and no group comment.
  const USER_idl& bob = entries[2];
  EXPECT_EQ(Text(bob.username), u"bob");
  EXPECT_EQ(Text(bob.groupname), u"marker");
  EXPECT_EQ(Text(bob.password), u"marker");
  EXPECT_EQ(Text(bob.groupcomment), u"marker");
  EXPECT_EQ(bob.userpri, 3);
  EXPECT_EQ(bob.limitTime, 0);
}

TEST_F(ConfigObjectTest, ObjectsShareTheStoresAndTheCurrentUser) {
  WriteUsers(kInstallTable);
  IConfig* first = NewConfig();
  IConfig* second = NewConfig();
  short count = 0;
  ASSERT_EQ(first->GetUserNum(&count, none_), S_OK);
  std::vector<USER_idl> entries(3, Marked());
  ASSERT_EQ(second->GetAllUser(count, entries.data(), none_), S_OK);  // no load of its own
  EXPECT_EQ(Text(entries[1].username), u"anna");

  USER_idl current = entries[1];
  ASSERT_EQ(first->SetCurUser(&current), S_OK);
  USER_idl other = entries[2];
  other.sectionid[2] = 0;
  other.sectionid[5] = 1;
  ASSERT_EQ(second->SetCurUser(&other), S_OK);  // the second call replaces the first
  const AccountRecord* logged_in = ApplicationStore().m_pCurUser.get();
  ASSERT_NE(logged_in, nullptr);
  EXPECT_EQ(logged_in->username, u"bob");
  EXPECT_EQ(logged_in->sectionid[2], 0);
  EXPECT_EQ(logged_in->sectionid[5], 1);
  EXPECT_EQ(logged_in->password, u"marker");  // every field is copied as the caller has it
  other.password = nullptr;
  ASSERT_EQ(first->SetCurUser(&other), S_OK);
  EXPECT_EQ(ApplicationStore().m_pCurUser->password, u"");  // null gives empty
}

TEST_F(ConfigObjectTest, ZoneCopiesBelongToTheirObject) {
  WriteZones(u"Boiler");
  IConfig* first = NewConfig();
  IConfig* second = NewConfig();
  std::vector<Section_idl> a(64), b(64), c(64);
  ASSERT_EQ(first->GetAllSection(a.data(), none_), S_OK);
  ASSERT_EQ(second->GetAllSection(c.data(), none_), S_OK);
  ASSERT_EQ(first->GetAllSection(b.data(), none_), S_OK);
  EXPECT_EQ(Text(b[1].sectionname), u"Boiler");
  EXPECT_EQ(Text(b[63].sectionname), u"Z63");
  EXPECT_NE(a[1].sectionname, b[1].sectionname);  // the first copies were replaced
  // Copies of another object and the store's own names are independent.
  EXPECT_NE(b[1].sectionname, c[1].sectionname);
  ApplicationStore().m_strSection[1] = u"changed";
  objects_.erase(objects_.begin());
  first->Release();
  EXPECT_EQ(Text(c[1].sectionname), u"Boiler");
}

TEST_F(ConfigObjectTest, LastErrorSurvivesLaterSuccesses) {
  WriteUsers(kProjectTable, &project_);
  IConfig* config = NewConfig();
  EXPECT_EQ(LastError(config), 0);
  install_.Set(project_.core("missing") + u"\\");  // nowhere to save
  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->SaveAllSection(zones.data()), E_FAIL);
  EXPECT_EQ(LastError(config), 4);
  short count = 0;
  Path project(project_.core());
  ASSERT_EQ(config->GetUserNum(&count, project), S_OK);
  EXPECT_EQ(LastError(config), 4);
  EXPECT_EQ(LastError(NewConfig()), 0);  // the code is the object's own
}

TEST_F(ConfigObjectTest, SavesWriteTheInstallDirectoryAfterAProjectRead) {
  WriteUsers(kProjectTable, &project_);
  WriteZones(u"Pumps", &project_);
  const auto project_users = ReadBytes(project_ / "users.dat");
  const auto project_zones = ReadBytes(project_ / "section.dat");
  IConfig* config = NewConfig();
  Path project(project_.core());
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, project), S_OK);
  std::vector<USER_idl> entries(count);
  ASSERT_EQ(config->GetAllUser(count, entries.data(), project), S_OK);
  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllSection(zones.data(), project), S_OK);
  EXPECT_EQ(Text(zones[1].sectionname), u"Pumps");

  ASSERT_EQ(config->SaveAllUsers(count, entries.data()), S_OK);
  ASSERT_EQ(config->SaveAllSection(zones.data()), S_OK);
  EXPECT_EQ(ReadBytes(project_ / "users.dat"), project_users);
  EXPECT_EQ(ReadBytes(project_ / "section.dat"), project_zones);

  ResetStores();
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ((*ApplicationStore().m_pUser)[1].username, u"\u738B\u5C0F\u660E");
  ASSERT_EQ(config->GetAllSection(zones.data(), none_), S_OK);
  EXPECT_EQ(Text(zones[1].sectionname), u"Pumps");
}

TEST_F(ConfigObjectTest, SaveAllUsersCopiesEveryFieldAndAcceptsNoRecords) {
  WriteUsers(kInstallTable);
  IConfig* config = NewConfig();
  USER_idl entry = Marked();
  entry.type = kTypeUser;
  entry.groupname = nullptr;  // null gives an empty string
  entry.username = Ole(u"carl");
  entry.userpri = 1000;  // nothing is validated here
  entry.sectionid[63] = 1;
  ASSERT_EQ(config->SaveAllUsers(1, &entry), S_OK);
  // The store had no table, so the file was loaded first: its save made the backup.
  EXPECT_TRUE(install_.Has("users.bak"));
  ResetStores();
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  ASSERT_EQ(count, 1);
  const AccountRecord& saved = (*ApplicationStore().m_pUser)[0];
  EXPECT_EQ(saved.username, u"carl");
  EXPECT_EQ(saved.groupname, u"");
  EXPECT_EQ(saved.password, u"marker");
  EXPECT_EQ(saved.userpri, 1000);
  EXPECT_EQ(saved.limitTime, -9);
  EXPECT_EQ(saved.sectionid[63], 1);

  ASSERT_EQ(config->SaveAllUsers(0, nullptr), S_OK);
  ResetStores();
  count = -1;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(count, 0);
}

// Null pointers from the host and n < 0 are refused, and nothing changes:
// no file is written, no code set.
TEST_F(ConfigObjectTest, BadArgumentsAreRefusedAndChangeNothing) {
  IConfig* config = NewConfig();
  std::vector<Section_idl> zones(64);
  std::vector<USER_idl> users(1, Marked());
  struct Row {
    const char* call;
    HRESULT result;
    HRESULT expected;
  };
  const Row rows[] = {
      {"GetLastError", config->GetLastError(nullptr), E_POINTER},
      {"GetUserNum", config->GetUserNum(nullptr, none_), E_POINTER},
      {"GetAllSection", config->GetAllSection(nullptr, none_), E_POINTER},
      {"SaveAllSection", config->SaveAllSection(nullptr), E_POINTER},
      {"SaveAllUsers null", config->SaveAllUsers(2, nullptr), E_POINTER},
      {"SaveAllUsers n<0", config->SaveAllUsers(-1, users.data()), E_INVALIDARG},
      {"SetCurUser", config->SetCurUser(nullptr), E_POINTER},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.call);
    EXPECT_EQ(row.result, row.expected);
  }
  EXPECT_FALSE(install_.Has("users.dat"));
  EXPECT_FALSE(install_.Has("section.dat"));
  EXPECT_EQ(ApplicationStore().m_pCurUser, nullptr);
  EXPECT_EQ(LastError(config), 0);
}

TEST_F(ConfigObjectTest, GetAllUserWithNullArrayIsRefusedOnlyWhenThereIsSomethingToWrite) {
  WriteUsers(kInstallTable);
  IConfig* config = NewConfig();
  EXPECT_EQ(config->GetAllUser(0, nullptr, none_), S_OK);  // empty store: nothing to write
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(config->GetAllUser(count, nullptr, none_), E_POINTER);
}

// A NetPath that does not fit the path buffer is refused like a too-long
// path, never copied past it.
TEST_F(ConfigObjectTest, TooLongNetPathFailsTheLoad) {
  IConfig* config = NewConfig();
  Path too_long(u"C:\\" + std::u16string(400, u'x'));
  short count = 33;
  EXPECT_EQ(config->GetUserNum(&count, too_long), E_FAIL);
  EXPECT_EQ(count, 33);
  EXPECT_EQ(LastError(config), 1);
  std::vector<Section_idl> zones(64, Section_idl{Ole(u"kept")});
  EXPECT_EQ(config->GetAllSection(zones.data(), too_long), E_FAIL);
  EXPECT_EQ(Text(zones[0].sectionname), u"kept");
  EXPECT_EQ(LastError(config), 2);
}

TEST_F(ConfigObjectTest, LoadFailuresSetTheirCodes) {
  IConfig* config = NewConfig();
  Path missing(project_.core("missing"));
  short count = 33;
  EXPECT_EQ(config->GetUserNum(&count, missing), E_FAIL);
  EXPECT_EQ(count, 33);
  EXPECT_EQ(LastError(config), 1);
  // With the install directory unusable, SaveAllUsers cannot load first.
  install_.Set(project_.core("missing") + u"\\");
  USER_idl entry = Marked();
  EXPECT_EQ(config->SaveAllUsers(1, &entry), E_FAIL);
  EXPECT_EQ(LastError(config), 1);
}

}  // namespace
}  // namespace warden
