// The class object and IConfig over real files in a temporary install
// directory and a project directory, and aggregation (the dialog and the
// library's unloading: on the real DLL under Wine).
#include <gtest/gtest.h>

#include <vector>

#include "platform/text.h"
#include "shell/com_server.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"
#include "tests/support/install_dir.h"
#include "tests/support/stores.h"

namespace warden {
namespace {

using Table = std::vector<AccountRecord>;

// The fields' texts, each followed by '|'.
std::u16string Texts(std::initializer_list<const OLECHAR*> fields) {
  std::u16string joined;
  for (const OLECHAR* field : fields) joined += platform::FromOle(field) + std::u16string(u"|");
  return joined;
}

// type, zones, groupname, username, password, usercomment, userpri, limitTime, groupcomment
const Table kInstallTable = {
    {kTypeGroup, {}, u"Plant", {}, {}, {}, 0, 0, u"the Plant"},
    {kTypeUser, {0, 0, 1}, u"Plant", u"anna", u"pw", u"about anna", 10, 255, {}},
    {kTypeUser, {1}, {}, u"bob", {}, u"about bob", 3, 0, {}}};
const Table kProjectTable = {{kTypeGroup, {}, u"Line", {}, {}, {}, 0, 0, u"the Line"},
                             {kTypeUser, {0, 1}, u"Line", u"\u738B", u"x", {}, 4, 5, {}}};

// Each directory holds users.dat, and section.dat naming zone 1 after the
// first group and zone 63 "Z63". Objects come from the class object.
class ConfigObjectTest : public ::testing::Test {
 protected:
  ConfigObjectTest() {
    testing::ResetStores();
    for (const auto& [table, where] : {std::pair(kProjectTable, project_text_ + u"\\"),
                                       std::pair(kInstallTable, GetInstallDirectory())}) {
      ZoneNames names;
      names[1] = table[0].groupname;
      names[63] = u"Z63";
      EXPECT_EQ(testing::WriteUsersFile(table, where), FileFailure::kNone);
      EXPECT_EQ(testing::WriteZonesFile(names, where), FileFailure::kNone);
    }
    GetClassObject(kClsidConfig, IID_IClassFactory, reinterpret_cast<void**>(&factory_));
    factory_->Release();  // the module keeps it
  }
  ~ConfigObjectTest() override {
    for (IConfig* object : objects_) object->Release();
    testing::ResetStores();
    EXPECT_EQ(CanUnloadNow(), S_OK);
  }
  IConfig* NewConfig() {
    IConfig* config = nullptr;
    EXPECT_EQ(factory_->CreateInstance(nullptr, kIidIConfig, reinterpret_cast<void**>(&config)),
              S_OK);
    return objects_.emplace_back(config);
  }

  testing::InstallDir install_;
  testing::TempDir project_;
  std::vector<IConfig*> objects_;
  IClassFactory* factory_ = nullptr;
  const std::u16string project_text_ = project_.core();
  BSTR none_ = platform::ToOle(u""), project_path_ = platform::ToOle(project_text_.c_str());
};

// What a host allocates is filled with markers, so that untouched fields can
// be told from written ones: a group leaves the user fields alone, empty
// strings leave the caller's pointers alone. Saves go to the install
// directory whatever was read.
TEST_F(ConfigObjectTest, ReadsEitherDirectoryAndSavesToTheInstallDirectory) {
  IConfig* config = NewConfig();
  static char16_t marker[] = u"m";
  OLECHAR* m = platform::ToOle(marker);
  std::vector<USER_idl> entries(4, USER_idl{-1, {}, m, m, m, m, -7, -9, m}), project(2);
  short counts[2] = {};
  ASSERT_EQ(config->GetUserNum(&counts[0], project_path_), S_OK);
  ASSERT_EQ(config->GetAllUser(4, entries.data(), none_), S_OK);  // not loaded: nothing written
  EXPECT_EQ(entries[0].type, -1);
  ASSERT_EQ(config->GetUserNum(&counts[1], none_), S_OK);
  EXPECT_EQ(counts[0] * 10 + counts[1], 23);
  ASSERT_EQ(config->GetAllUser(0, entries.data(), none_), S_OK);
  const USER_idl &group = entries[0], &anna = entries[1], &bob = entries[2];
  EXPECT_EQ(
      Texts({group.groupcomment, group.username, anna.password, anna.usercomment, bob.groupname}),
      u"the Plant|m|pw|about anna|m|");
  EXPECT_EQ(std::vector<int>({anna.type, anna.sectionid[2], bob.sectionid[0], anna.userpri,
                              anna.limitTime, group.userpri, entries[3].type}),
            std::vector<int>({kTypeUser, 1, 1, 10, 255, -7, -1}));
  ASSERT_EQ(NewConfig()->SetCurUser(&entries[1]), S_OK);  // one current user for all objects
  EXPECT_EQ(LoggedInUser()->username, u"anna");

  std::vector<Section_idl> zones(64);
  ASSERT_EQ(config->GetAllUser(2, project.data(), project_path_), S_OK);
  ASSERT_EQ(config->GetAllSection(zones.data(), project_path_), S_OK);
  project[0].groupcomment = nullptr;  // null gives an empty string
  ASSERT_EQ(config->SaveAllUsers(2, project.data()), S_OK);
  ASSERT_EQ(config->SaveAllSection(zones.data()), S_OK);
  const std::u16string saved = Texts({project[1].username, zones[1].sectionname});
  testing::ResetStores();
  ASSERT_EQ(config->GetUserNum(&counts[0], none_), S_OK);
  ASSERT_EQ(config->GetAllSection(zones.data(), none_), S_OK);
  EXPECT_EQ(saved + Texts({zones[1].sectionname, zones[63].sectionname}), u"\u738B|Line|Line|Z63|");
  Table expected = kProjectTable;
  expected[0].groupcomment.clear();
  // The save protocol keeps the file before.
  EXPECT_TRUE(ApplicationStore().accounts.records() == expected && install_.Has("users.bak"));
  // The install directory named as a NetPath is the install directory: a
  // missing file there is made with its defaults.
  std::filesystem::remove(install_ / "users.dat");
  const std::u16string install = install_.dir().core() + u"\\ \\";
  ASSERT_EQ(config->GetUserNum(&counts[0], platform::ToOle(install.c_str())), S_OK);
  EXPECT_EQ(counts[0], 4);
}

// Null pointers from the host and n < 0 are refused and change nothing. A
// failed load or save sets its code, which outlives later successes and
// belongs to its object; a failed load leaves the caller's outputs alone. A
// NetPath longer than the path buffer is refused, never copied past it. The
// class object serves one class and one interface.
TEST_F(ConfigObjectTest, BadCallsAreRefusedAndFailuresSetAStickyCode) {
  IConfig* config = NewConfig();
  short count = 33;
  USER_idl entry{};
  std::vector<Section_idl> zones(64, Section_idl{platform::ToOle(u"kept")});
  const std::u16string too_long = u"C:\\" + std::u16string(400, u'x');
  BSTR too_long_path = platform::ToOle(too_long.c_str());
  const auto last_error = [](IConfig* object) {
    short code = -1;
    return object->GetLastError(&code), code;
  };
  const HRESULT calls[][2] = {
      {config->GetLastError(nullptr), E_POINTER},
      {config->GetUserNum(nullptr, none_), E_POINTER},
      {config->GetAllUser(0, nullptr, project_path_), S_OK},  // an empty store: nothing to write
      {config->GetUserNum(&count, project_path_), S_OK},
      {config->GetAllUser(count, nullptr, project_path_), E_POINTER},
      {config->GetAllSection(nullptr, none_), E_POINTER},
      {config->SaveAllSection(nullptr), E_POINTER},
      {config->SaveAllUsers(2, nullptr), E_POINTER},
      {config->SaveAllUsers(-1, &entry), E_INVALIDARG},
      {config->SetCurUser(nullptr), E_POINTER},
      {last_error(config), 0},
      {config->GetUserNum(&count, too_long_path), E_FAIL},
      {last_error(config), kErrorLoadUsers},
      {config->GetAllSection(zones.data(), too_long_path), E_FAIL},
      {last_error(config), kErrorLoadZones},
      {(install_.Set(project_.core("missing") + u"\\"), config->SaveAllUsers(1, &entry)), E_FAIL},
      {last_error(config), kErrorLoadUsers},  // with no table it loads first
      {config->SaveAllSection(zones.data()), E_FAIL},
      {(config->GetUserNum(&count, project_path_), last_error(config)), kErrorSaveZones},
      {last_error(NewConfig()), 0},
  };
  for (const auto& call : calls) EXPECT_EQ(call[0], call[1]) << "row " << &call - calls;
  EXPECT_EQ(count, 2);
  EXPECT_EQ(Texts({zones[0].sectionname}), u"kept|");
  // The interfaces' ids are the well-known ones.
  EXPECT_EQ(platform::GuidText(IID_IUnknown), u"{00000000-0000-0000-C000-000000000046}");
  EXPECT_EQ(platform::GuidText(IID_IClassFactory), u"{00000001-0000-0000-C000-000000000046}");
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(GetClassObject(kIidIConfig, IID_IClassFactory, &object), CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(GetClassObject(kClsidConfig, kIidIConfig, &object), E_NOINTERFACE);
  EXPECT_EQ(NewConfig()->QueryInterface(IID_IClassFactory, &object) + !object, E_NOINTERFACE + 1);
}

// An empty table is still a table: a save after it does not load the file
// again, so users.bak keeps what was loaded first.
TEST_F(ConfigObjectTest, ASaveAfterAnEmptySaveKeepsTheFirstBackup) {
  IConfig* config = NewConfig();
  short count = 0;
  ASSERT_EQ(config->GetUserNum(&count, none_), S_OK);
  const auto loaded = testing::ReadBytes(install_ / "users.dat");
  std::vector<USER_idl> entries(1);
  ASSERT_EQ(config->SaveAllUsers(0, entries.data()), S_OK);
  ASSERT_EQ(config->SaveAllUsers(1, entries.data()), S_OK);
  EXPECT_EQ(testing::ReadBytes(install_ / "users.bak"), loaded);
}

// An outer object that counts its own references and hands out the inner
// object's interfaces.
class Outer : public IUnknown {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
    if (!IsEqualGUID(riid, IID_IUnknown)) return inner_->QueryInterface(riid, object);
    *object = this;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override { return --references_; }

  IUnknown* inner_ = nullptr;
  ULONG references_ = 1;
};

// Aggregated, the object answers for the outer one and holds the module.
TEST_F(ConfigObjectTest, AggregationHandsOutTheInnerUnknownOnly) {
  Outer outer;
  IConfig* config = nullptr;
  const auto as = [](auto** pointer) { return reinterpret_cast<void**>(pointer); };
  EXPECT_EQ(factory_->CreateInstance(&outer, kIidIConfig, as(&config)), CLASS_E_NOAGGREGATION);
  ASSERT_EQ(factory_->CreateInstance(&outer, IID_IUnknown, as(&outer.inner_)), S_OK);
  EXPECT_EQ(outer.references_, 1u);  // creation does not hold the outer object
  ASSERT_EQ(outer.QueryInterface(kIidIConfig, as(&config)), S_OK);
  EXPECT_EQ(outer.references_, 2u);  // the interface's references are the outer's
  IUnknown* identity = nullptr;
  ASSERT_EQ(config->QueryInterface(IID_IUnknown, as(&identity)), S_OK);
  EXPECT_EQ(identity, static_cast<IUnknown*>(&outer));
  identity->Release();
  config->Release();
  EXPECT_EQ(outer.references_, 1u);
  EXPECT_EQ(CanUnloadNow(), S_FALSE);  // the inner object holds the module
  EXPECT_EQ(outer.inner_->Release(), 0u);
}

}  // namespace
}  // namespace warden
