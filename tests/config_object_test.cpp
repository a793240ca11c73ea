// IConfig over real files in a temporary install directory (and project
// directories), through Config objects made by the class factory.
#include <gtest/gtest.h>

#include <thread>
#include <tuple>
#include <vector>

#include "accounts/account_file.h"
#include "accounts/user_store.h"
#include "platform/text.h"
#include "shell/com_server.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"
#include "tests/support/install_dir.h"
#include "tests/support/stores.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

using testing::ReadBytes;
using Table = std::vector<AccountRecord>;

std::u16string Text(const OLECHAR* text) {
  return text ? std::u16string(platform::FromOle(text)) : u"<null>";
}

// A BSTR-shaped argument: the host's strings are zero-terminated.
BSTR Bstr(const std::u16string& text) { return platform::ToOle(text.c_str()); }

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

// type, zones, groupname, username, password, usercomment, userpri, limitTime, groupcomment
const Table kInstallTable = {
    {kTypeGroup, {}, u"Plant", {}, {}, {}, 0, 0, u"the Plant"},
    {kTypeUser, {0, 0, 1}, u"Plant", u"anna", u"pw", u"about anna", 10, 255, {}},
    {kTypeUser, {}, {}, u"bob", {}, u"about bob", 3, 0, {}}};
const Table kProjectTable = {{kTypeGroup, {}, u"Line", {}, {}, {}, 0, 0, u"the Line"},
                             {kTypeUser, {}, u"Line", u"\u738B\u5C0F\u660E", u"x", {}, 0, 0, {}}};

class ConfigObjectTest : public ::testing::Test {
 protected:
  ConfigObjectTest() { testing::ResetStores(); }
  ~ConfigObjectTest() override {
    for (IConfig* object : objects_) object->Release();
    testing::ResetStores();
    EXPECT_EQ(ModuleLockCount(), 0);
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

  // Writes users.dat and section.dat (zone 1 named `zone1`) into the
  // install directory or the project directory.
  void WriteFiles(const Table& table, const std::u16string& zone1, bool to_project = false) {
    ZoneNames names;
    for (int zone = 0; zone < kZoneCount; ++zone) names[zone] = u"Z" + platform::ToDecimal(zone);
    names[1] = zone1;
    const DataLocation where =
        to_project ? testing::LocationOf(project_text_) : testing::InstallLocation();
    ASSERT_EQ(testing::WriteUsersFile(table, where), kFileOk);
    ASSERT_EQ(testing::WriteZonesFile(names, where), kFileOk);
  }

  short LastError(IConfig* config) {
    short error = -1;
    EXPECT_EQ(config->GetLastError(&error), S_OK);
    return error;
  }

  testing::InstallDir install_;
  testing::TempDir project_;
  std::vector<IConfig*> objects_;
  const std::u16string project_text_ = project_.core();
  BSTR none_ = platform::ToOle(u""), project_path_ = Bstr(project_text_);
};

TEST_F(ConfigObjectTest, CountsAndRecordsWithAndWithoutNetPath) {
  WriteFiles(kProjectTable, u"Line 1", true);
  WriteFiles(kInstallTable, u"Plant 1");
  IConfig* config = NewConfig();
  short count = -1;
  ASSERT_EQ(config->GetUserNum(&count, project_path_), S_OK);
  EXPECT_EQ(count, 2);
  // The application store was never loaded: nothing is written.
  std::vector<USER_idl> entries(4, Marked());
  ASSERT_EQ(config->GetAllUser(4, entries.data(), none_), S_OK);
  EXPECT_EQ(entries[0].type, -1);

  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(count, 3);
  // A positive count bounds what is written: the table may have grown since
  // the host counted. Any other count writes the store's count.
  ASSERT_EQ(config->GetAllUser(2, entries.data(), none_), S_OK);
  EXPECT_EQ(entries[2].type, -1);
  for (short unread : {0, -1}) ASSERT_EQ(config->GetAllUser(unread, entries.data(), none_), S_OK);
  EXPECT_EQ(entries[3].type, -1);
  const USER_idl& anna = entries[1];
  EXPECT_EQ(Text(anna.groupname) + u"|" + Text(anna.password) + u"|" + Text(anna.usercomment),
            u"Plant|pw|about anna");
  EXPECT_EQ(std::make_tuple(anna.sectionid[2], anna.userpri, anna.limitTime),
            std::make_tuple(1, 10, 255));
  // A group leaves the caller's user fields alone; bob's empty group,
  // password and group comment leave the caller's pointers alone.
  const USER_idl& group = entries[0];
  EXPECT_EQ(Text(group.groupname) + u"|" + Text(group.groupcomment), u"Plant|the Plant");
  const USER_idl& bob = entries[2];
  for (const OLECHAR* field : {group.username, group.password, group.usercomment, bob.groupname,
                               bob.password, bob.groupcomment}) {
    EXPECT_EQ(Text(field), u"marker");
  }
  EXPECT_EQ(std::make_tuple(group.userpri, group.limitTime), std::make_tuple(-7, -9));
  // The project store still holds what its own load read.
  ASSERT_EQ(config->GetAllUser(2, entries.data(), project_path_), S_OK);
  EXPECT_EQ(Text(entries[1].username), u"\u738B\u5C0F\u660E");

  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllSection(zones.data(), project_path_), S_OK);
  EXPECT_EQ(Text(zones[1].sectionname), u"Line 1");
  ASSERT_EQ(config->GetAllSection(zones.data(), none_), S_OK);
  EXPECT_EQ(Text(zones[1].sectionname) + u"|" + Text(zones[63].sectionname), u"Plant 1|Z63");
}

// The stores and the current user are shared; the zone-name copies are each
// object's own: a second call replaces only that object's copies, and
// releasing it leaves the other's intact.
TEST_F(ConfigObjectTest, ObjectsShareTheStoresButOwnTheirZoneCopies) {
  WriteFiles(kInstallTable, u"Boiler");
  IConfig* first = NewConfig();
  IConfig* second = NewConfig();
  short count = 0;
  ASSERT_EQ(first->GetUserNum(&count, none_), S_OK);
  std::vector<USER_idl> entries(3, Marked());
  ASSERT_EQ(second->GetAllUser(count, entries.data(), none_), S_OK);  // no load of its own
  EXPECT_EQ(Text(entries[1].username), u"anna");

  ASSERT_EQ(first->SetCurUser(&entries[1]), S_OK);
  entries[2].sectionid[5] = 1;
  ASSERT_EQ(second->SetCurUser(&entries[2]), S_OK);  // the second call replaces the first
  const AccountRecord* logged_in = ApplicationStore().m_pCurUser.get();
  ASSERT_NE(logged_in, nullptr);
  EXPECT_EQ(logged_in->username, u"bob");
  EXPECT_EQ(logged_in->sectionid[5], 1);
  EXPECT_EQ(logged_in->password, u"marker");  // every field is copied as the caller has it

  std::vector<Section_idl> a(64), b(64), c(64);
  ASSERT_EQ(first->GetAllSection(a.data(), none_), S_OK);
  ASSERT_EQ(second->GetAllSection(c.data(), none_), S_OK);
  ASSERT_EQ(first->GetAllSection(b.data(), none_), S_OK);
  EXPECT_EQ(Text(b[1].sectionname), u"Boiler");
  EXPECT_NE(a[1].sectionname, b[1].sectionname);
  EXPECT_NE(b[1].sectionname, c[1].sectionname);
  ApplicationStore().m_strSection[1] = u"changed";
  objects_.erase(objects_.begin());
  first->Release();
  EXPECT_EQ(Text(c[1].sectionname), u"Boiler");
}

TEST_F(ConfigObjectTest, SavesWriteTheInstallDirectoryAfterAProjectRead) {
  WriteFiles(kProjectTable, u"Pumps", true);
  const auto project_users = ReadBytes(project_ / "users.dat");
  const auto project_zones = ReadBytes(project_ / "section.dat");
  IConfig* config = NewConfig();
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, project_path_), S_OK);
  std::vector<USER_idl> entries(count);
  ASSERT_EQ(config->GetAllUser(count, entries.data(), project_path_), S_OK);
  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllSection(zones.data(), project_path_), S_OK);
  ASSERT_EQ(config->SaveAllUsers(count, entries.data()), S_OK);
  ASSERT_EQ(config->SaveAllSection(zones.data()), S_OK);
  EXPECT_EQ(ReadBytes(project_ / "users.dat"), project_users);
  EXPECT_EQ(ReadBytes(project_ / "section.dat"), project_zones);

  testing::ResetStores();
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(count, 2);
  EXPECT_EQ((*ApplicationStore().m_pUser)[1].username, u"\u738B\u5C0F\u660E");
  ASSERT_EQ(config->GetAllSection(zones.data(), none_), S_OK);
  EXPECT_EQ(Text(zones[1].sectionname), u"Pumps");
}

TEST_F(ConfigObjectTest, SaveAllUsersLoadsFirstAndAcceptsNoRecords) {
  WriteFiles(kInstallTable, u"Boiler");
  IConfig* config = NewConfig();
  USER_idl entry = Marked();
  entry.type = kTypeUser;
  entry.groupname = nullptr;  // null gives an empty string
  ASSERT_EQ(config->SaveAllUsers(1, &entry), S_OK);
  // The store had no table, so the file was loaded first: its save made the backup.
  EXPECT_TRUE(install_.Has("users.bak"));
  testing::ResetStores();
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  ASSERT_EQ(count, 1);
  const AccountRecord& saved = (*ApplicationStore().m_pUser)[0];
  EXPECT_EQ(saved.username + u"|" + saved.groupname, u"marker|");

  // A table of no records is still a table: the next save does not reload
  // the empty file, so the backup keeps the file as loaded.
  const auto loaded = ReadBytes(install_ / "users.dat");
  ASSERT_EQ(config->SaveAllUsers(0, nullptr), S_OK);
  ASSERT_EQ(config->SaveAllUsers(1, &entry), S_OK);
  EXPECT_EQ(ReadBytes(install_ / "users.bak"), loaded);
  ASSERT_EQ(config->SaveAllUsers(0, nullptr), S_OK);
  testing::ResetStores();
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  EXPECT_EQ(count, 0);
}

// Null pointers from the host and n < 0 are refused, and nothing changes:
// no file is written, no code set.
TEST_F(ConfigObjectTest, BadArgumentsAreRefusedAndChangeNothing) {
  WriteFiles(kInstallTable, u"Boiler");
  const auto users_file = ReadBytes(install_ / "users.dat");
  IConfig* config = NewConfig();
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  std::vector<USER_idl> users(1, Marked());
  const struct {
    const char* call;
    HRESULT result, expected;
  } rows[] = {
      {"GetLastError", config->GetLastError(nullptr), E_POINTER},
      {"GetUserNum", config->GetUserNum(nullptr, none_), E_POINTER},
      {"GetAllUser", config->GetAllUser(count, nullptr, none_), E_POINTER},
      // The project store is empty: there is nothing to write.
      {"GetAllUser empty", config->GetAllUser(0, nullptr, project_path_), S_OK},
      {"GetAllSection", config->GetAllSection(nullptr, none_), E_POINTER},
      {"SaveAllSection", config->SaveAllSection(nullptr), E_POINTER},
      {"SaveAllUsers null", config->SaveAllUsers(2, nullptr), E_POINTER},
      {"SaveAllUsers n<0", config->SaveAllUsers(-1, users.data()), E_INVALIDARG},
      {"SetCurUser", config->SetCurUser(nullptr), E_POINTER},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.call);
    EXPECT_EQ(row.result, row.expected);
  }
  EXPECT_EQ(ReadBytes(install_ / "users.dat"), users_file);
  EXPECT_EQ(ApplicationStore().m_pCurUser, nullptr);
  EXPECT_EQ(LastError(config), 0);
}

// A failed load leaves the caller's outputs alone and sets its code, which
// survives later successes and belongs to its object. A NetPath longer than
// the path buffer is refused like any too-long path, never copied past it.
TEST_F(ConfigObjectTest, FailuresSetAStickyLastError) {
  WriteFiles(kProjectTable, u"Pumps", true);
  IConfig* config = NewConfig();
  const std::u16string too_long_text = u"C:\\" + std::u16string(400, u'x');
  const std::u16string missing_text = project_.core("missing");
  BSTR too_long = Bstr(too_long_text), missing = Bstr(missing_text);
  short count = 33;
  EXPECT_EQ(config->GetUserNum(&count, too_long), E_FAIL);
  EXPECT_EQ(count, 33);
  EXPECT_EQ(LastError(config), kErrorLoadUsers);
  std::vector<Section_idl> zones(64, Section_idl{platform::ToOle(u"kept")});
  EXPECT_EQ(config->GetAllSection(zones.data(), too_long), E_FAIL);
  EXPECT_EQ(Text(zones[0].sectionname), u"kept");
  EXPECT_EQ(LastError(config), kErrorLoadZones);
  EXPECT_EQ(config->GetUserNum(&count, missing), E_FAIL);
  EXPECT_EQ(LastError(config), kErrorLoadUsers);

  install_.Set(project_.core("missing") + u"\\");  // nowhere to load from or save to
  USER_idl entry = Marked();
  EXPECT_EQ(config->SaveAllUsers(1, &entry), E_FAIL);  // cannot load first
  EXPECT_EQ(LastError(config), kErrorLoadUsers);
  ApplicationStore().m_pUser.emplace();  // a table: no load first, the save itself fails
  EXPECT_EQ(config->SaveAllUsers(1, &entry), E_FAIL);
  EXPECT_EQ(LastError(config), kErrorSaveUsers);
  EXPECT_EQ(config->SaveAllSection(zones.data()), E_FAIL);
  EXPECT_EQ(LastError(config), kErrorSaveZones);
  // What failed to save stays in memory.
  EXPECT_EQ(ApplicationStore().UserCount(), 1);
  EXPECT_EQ(ApplicationStore().m_strSection[63], u"kept");
  ASSERT_EQ(config->GetUserNum(&count, project_path_), S_OK);
  EXPECT_EQ(LastError(config), kErrorSaveZones);
  EXPECT_EQ(LastError(NewConfig()), 0);
}

// The class is registered for any apartment: a host may AddRef and Release
// one object from several threads at once.
TEST_F(ConfigObjectTest, ReferenceCountHoldsAcrossThreads) {
  IConfig* config = NewConfig();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([config] {
      for (int i = 0; i < 200000; ++i) config->AddRef(), config->Release();
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(config->AddRef(), 2u);
  EXPECT_EQ(config->Release(), 1u);
}

}  // namespace
}  // namespace warden
