// The manage dialog and the user and group editor, scripted on the headless backend.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "accounts/account_file.h"
#include "accounts/user_store.h"
#include "dialogs/manage_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "shell/com_server.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"
#include "tests/support/dialog_script.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "tests/support/records.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

namespace hl = platform::headless;
using platform::ResourceString;
using platform::ToUtf8;
using Table = std::vector<AccountRecord>;
using Texts = std::vector<std::u16string>;

// Every record belongs to a zone: a group to `zone`, a user to zone 2.
AccountRecord Group(const std::u16string& name, std::int16_t zone = 1) {
  AccountRecord record = testing::GroupRecord(name);
  record.sectionid[zone] = 1;
  return record;
}

AccountRecord User(const std::u16string& name, std::int16_t priority,
                   const std::u16string& group = u"") {
  AccountRecord record = testing::UserRecord(name, priority, group);
  record.password = u"pw";
  record.sectionid[2] = 1;
  return record;
}

class ManageDialogTest : public testing::DialogScriptTest {
 protected:
  void SetUp() override {
    DialogScriptTest::SetUp();
    profile_.SetInstallDirectory(dir_.core() + u"\\");
  }
  static void WriteUsers(const Table& table) {
    ASSERT_EQ(testing::WriteUsersFile(table, testing::InstallLocation()), kFileOk);
  }
  static Table ReadUsers() {
    CUser reader;
    EXPECT_EQ(LoadAccountFile(reader, testing::InstallLocation()), kFileOk);
    return reader.m_pUser ? *reader.m_pUser : Table();
  }
  static void LogIn(std::int16_t priority) {
    ApplicationStore().m_pCurUser = std::make_unique<AccountRecord>(User(u"me", priority));
  }
  // Runs the manage dialog with a fresh script: `steps` for it and every modal it opens.
  static std::intptr_t Run(std::vector<hl::Step> steps) {
    hl::Reset();
    for (auto& step : steps) hl::Push(std::move(step));
    return CManageDialog(nullptr, ApplicationStore(), testing::InstallLocation()).DoModal();
  }
  // The texts of the message boxes and prompts shown, in order.
  static Texts Messages() {
    Texts shown;
    for (const hl::Shown& modal : hl::Record()) {
      if (modal.message_box) shown.push_back(modal.text);
      if (modal.template_id == IDD_PROMPT) shown.push_back(modal.TextOf(IDC_PROMPT_TEXT));
    }
    return shown;
  }

  testing::TempDir dir_;
  testing::WindowsProfile profile_;
};

Texts Text(std::uint16_t id) { return {ResourceString(id)}; }

// Selects the item named `name` and runs `then` on the manage dialog.
hl::Step Select(const std::u16string& name, std::function<void(hl::Driver&)> then) {
  return [name, then](hl::Driver& d) {
    EXPECT_TRUE(d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, name))) << ToUtf8(name);
    then(d);
  };
}

// Clicks `button` in the manage dialog, then closes it with `close`.
hl::Step Press(std::int32_t button, std::int32_t close = platform::kIdCancel) {
  return [button, close](hl::Driver& d) { d.Click(button), d.Click(close); };
}

TEST_F(ManageDialogTest, WithoutUsersDatTheDefaultTreeIsShown) {
  Texts outline;
  Run({[&outline](hl::Driver& d) {
    outline = d.TreeOutline(IDC_ACCOUNT_TREE);
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY) || d.IsEnabled(IDC_DELETE));
    d.Cancel();
  }});
  EXPECT_EQ(outline, (Texts{u"系统管理员组", u"  系统管理员", u"无组", u"  无"}));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "section.dat"));
}

TEST_F(ManageDialogTest, TreeShowsGroupsWithMembersAndHidesUnknownGroups) {
  WriteUsers({User(u"early", 1, u"Plant"), Group(u"Plant"), User(u"loose", 1),
              User(u"case", 1, u"PLANT"), User(u"orphan", 1, u"Gone")});
  Texts outline;
  Run({[&outline](hl::Driver& d) { outline = d.TreeOutline(IDC_ACCOUNT_TREE), d.Ok(); }});
  EXPECT_EQ(outline, (Texts{u"Plant", u"  early", u"loose"}));
  EXPECT_EQ(ReadUsers().size(), 5u);  // hidden users stay in the table and are saved
}

// The editor's defaults and enabling rules, then a group and two users made and saved.
TEST_F(ManageDialogTest, NewGroupAndUsersThenOkWritesThem) {
  WriteUsers({Group(u"Plant")});
  Texts outline;
  Run({[&outline](hl::Driver& d) {
         for (int i = 0; i < 3; ++i) d.Click(IDC_NEW);  // a group, a user in it, one without
         outline = d.TreeOutline(IDC_ACCOUNT_TREE);
         d.Ok();
       },
       [](hl::Driver& d) {
         EXPECT_EQ(d.Text(IDC_LOGIN_TIMEOUT) + d.Text(IDC_PRIORITY), u"0999");
         EXPECT_TRUE(d.IsChecked(IDC_TYPE_GROUP) && d.IsEnabled(IDC_GROUP_NAME));
         EXPECT_FALSE(d.IsEnabled(IDC_USER_NAME) || d.IsEnabled(IDC_JOIN_GROUP));
         d.Type(IDC_GROUP_NAME, u"  Line ");
         d.Type(IDC_GROUP_COMMENT, u"second line");
         d.ListTick(IDC_ZONE_LIST, 4, true);
         d.Ok();
       },
       [](hl::Driver& d) {
         EXPECT_TRUE(d.IsChecked(IDC_TYPE_GROUP));  // the last type is offered again
         EXPECT_EQ(d.ComboEntries(IDC_JOIN_GROUP_COMBO), (Texts{u"Plant", u"Line"}));
         EXPECT_EQ(d.ComboSelected(IDC_JOIN_GROUP_COMBO), 0);
         d.Click(IDC_TYPE_USER);
         EXPECT_FALSE(d.IsEnabled(IDC_GROUP_NAME) || d.IsEnabled(IDC_JOIN_GROUP_COMBO));
         d.Type(IDC_USER_NAME, u"ann");
         d.Type(IDC_PASSWORD, u"secret");
         d.Type(IDC_LOGIN_TIMEOUT, u"30");
         d.Type(IDC_PRIORITY, u"120");
         d.Click(IDC_JOIN_GROUP);
         EXPECT_TRUE(d.IsEnabled(IDC_JOIN_GROUP_COMBO));
         d.ComboSelect(IDC_JOIN_GROUP_COMBO, 1);
         d.ListTick(IDC_ZONE_LIST, 5, true);
         d.Ok();
       },
       [](hl::Driver& d) {
         EXPECT_TRUE(d.IsChecked(IDC_TYPE_USER));
         d.Type(IDC_USER_NAME, u"bob");
         d.Ok();
       }});
  EXPECT_EQ(outline, (Texts{u"Plant", u"Line", u"  ann", u"bob"}));
  const Table saved = ReadUsers();
  ASSERT_EQ(saved.size(), 4u);
  const auto fields = [](const AccountRecord& r, int zone) {
    return std::make_tuple(ToUtf8(r.username), ToUtf8(r.groupname), ToUtf8(r.groupcomment),
                           ToUtf8(r.password), r.limitTime, r.userpri, r.sectionid[zone]);
  };
  EXPECT_EQ(fields(saved[1], 4), std::make_tuple("", "Line", "second line", "", 0, 0, 1));
  EXPECT_EQ(fields(saved[2], 5), std::make_tuple("ann", "Line", "", "secret", 30, 120, 1));
  EXPECT_EQ(fields(saved[3], 0), std::make_tuple("bob", "", "", "", 0, 999, 0));
}

// Each row fills the New editor and expects exactly the listed messages (a
// failed check leaves the editor open, with the name field focused for a box);
// a row without messages is accepted. `current`: the logged-in user's
// priority (-1: nobody).
TEST_F(ManageDialogTest, EditorChecksInOrderWithTheirMessages) {
  WriteUsers({Group(u"Plant"), User(u"ann", 5, u"Plant")});
  const auto user = [](const std::u16string& name, const std::u16string& priority = u"",
                       int zone = 0) {
    return [=](hl::Driver& d) {
      d.Click(IDC_TYPE_USER);
      d.Type(IDC_USER_NAME, name);
      if (!priority.empty()) d.Type(IDC_PRIORITY, priority);
      if (zone) d.ListTick(IDC_ZONE_LIST, 0, true), d.ListTick(IDC_ZONE_LIST, zone, true);
    };
  };
  const struct {
    std::int16_t current;
    std::function<void(hl::Driver&)> fill;
    Texts messages;
    std::uint32_t box_icon;
  } rows[] = {
      {-1, user(u"   "), Text(IDS_ENTER_NAME), platform::kMbIconStop},
      {-1, user(u"x", u"", 5), Text(IDS_ZONE_NONE_WITH_OTHERS), 0},
      {-1, user(u" PLANT "), Text(IDS_NAME_EXISTS), platform::kMbIconInformation},
      {500, user(u"x", u"501"), Text(IDS_PRIORITY_ABOVE_CURRENT), 0},
      {1, [](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"g"); }, {}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.current);
    ApplicationStore().m_pCurUser.reset();
    if (row.current >= 0) LogIn(row.current);
    std::int32_t focused = 0;
    bool open_after_ok = false;
    std::vector<hl::Step> steps = {Press(IDC_NEW), [&](hl::Driver& d) {
                                     row.fill(d);
                                     d.Ok();
                                     focused = d.Focused();
                                     open_after_ok = d.IsOpen();
                                     if (open_after_ok) d.Cancel();
                                   }};
    if (!row.messages.empty()) steps.push_back(hl::PressOk());
    Run(std::move(steps));
    EXPECT_EQ(Messages(), row.messages);
    EXPECT_EQ(open_after_ok, !row.messages.empty());
    if (row.box_icon != 0) {
      EXPECT_EQ(hl::Record()[2].flags & 0xF0, row.box_icon);
      EXPECT_EQ(focused, IDC_USER_NAME);
    }
  }
  EXPECT_EQ(ReadUsers().size(), 2u);  // the manage dialog was cancelled every time
}

// Only a preset can be longer than the edit lets an operator type; the
// password is checked before anything else, even a name that is too long.
TEST_F(ManageDialogTest, OverlongPresetPasswordIsRefusedFirst) {
  AccountRecord host_written = User(u"ann", 5);
  host_written.password = std::u16string(40, u'p');
  host_written.usercomment = std::u16string(40, u'c');
  WriteUsers({host_written});
  std::int32_t focused = 0;
  Run({Select(u"ann", Press(IDC_MODIFY)),
       [&focused](hl::Driver& d) { d.Ok(), focused = d.Focused(), d.Cancel(); },
       [](hl::Driver& d) { EXPECT_EQ(d.shown().flags, platform::kMbOk); }});  // no icon
  EXPECT_EQ(Messages(), Texts{platform::FormatText(ResourceString(IDS_PASSWORD_TOO_LONG), u"31")});
  EXPECT_EQ(focused, IDC_PASSWORD);
}

TEST_F(ManageDialogTest, ModifyGroupRenameCarriesUsersAndTreeItem) {
  WriteUsers({Group(u"Plant", 3), User(u"ann", 5, u"Plant")});
  Texts outline;
  Run({Select(u"Plant",
              [&outline](hl::Driver& d) {
                EXPECT_FALSE(d.IsEnabled(IDC_DELETE));  // the group has a member
                d.Click(IDC_MODIFY);
                outline = d.TreeOutline(IDC_ACCOUNT_TREE);
                d.Ok();
              }),
       [](hl::Driver& d) {
         EXPECT_EQ(d.Text(IDC_GROUP_NAME), u"Plant");
         EXPECT_FALSE(d.IsEnabled(IDC_TYPE_USER));  // no type change in Modify
         EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 3));
         d.Type(IDC_GROUP_NAME, u"Line"), d.Ok();
       }});
  EXPECT_EQ(outline, (Texts{u"Line", u"  ann"}));
  const Table saved = ReadUsers();
  EXPECT_EQ(saved[0].groupname + saved[1].groupname, u"LineLine");
}

TEST_F(ManageDialogTest, ModifyUserCaseOnlyRenameAndBuiltInNames) {
  WriteUsers({User(u"ann", 5), User(u"bob", 5), User(u"系统管理员", 999)});
  const auto twice = [](hl::Driver& d) { d.Click(IDC_MODIFY), d.Click(IDC_MODIFY), d.Ok(); };
  Run({Select(u"ann", twice),
       [](hl::Driver& d) {
         EXPECT_EQ(d.Text(IDC_PRIORITY), u"5");
         EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 2));
         d.Type(IDC_USER_NAME, u"Bob"), d.Ok();  // another record's name
         d.Type(IDC_USER_NAME, u"ANN"), d.Ok();  // its own name in other case
       },
       hl::PressOk(), hl::PressCancel()});
  EXPECT_EQ(Messages(), Text(IDS_NAME_EXISTS));
  EXPECT_EQ(ReadUsers()[0].username, u"ANN");

  Run({Select(u"系统管理员", twice),
       [](hl::Driver& d) { d.Type(IDC_USER_NAME, u"root"), d.Ok(), d.Cancel(); }, hl::PressOk(),
       [](hl::Driver& d) { d.Type(IDC_PASSWORD, u"changed"), d.Ok(); }});
  EXPECT_EQ(Messages(), Text(IDS_CANNOT_RENAME_BUILTIN));
  EXPECT_EQ(ReadUsers()[2].password, u"changed");
}

// The buttons follow the selection rules (a table of their own); a double-click
// opens the editor only on what the current user may change.
TEST_F(ManageDialogTest, SelectionEnablesModifyDeleteAndDoubleClick) {
  WriteUsers({Group(u"Plant"), User(u"ann", 5, u"Plant"), User(u"low", 9), User(u"high", 11)});
  LogIn(10);
  const std::tuple<std::u16string, bool, bool> rows[] = {
      {u"Plant", true, false}, {u"low", true, true}, {u"high", false, false}};
  Run({[&rows](hl::Driver& d) {
         for (const auto& [name, modify, remove] : rows) {
           d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, name));
           EXPECT_EQ(std::make_pair(d.IsEnabled(IDC_MODIFY), d.IsEnabled(IDC_DELETE)),
                     std::make_pair(modify, remove))
               << ToUtf8(name);
           d.TreeDoubleClick(IDC_ACCOUNT_TREE);
         }
         d.Cancel();
       },
       hl::PressCancel(), hl::PressCancel(), hl::PressOk()});
  EXPECT_EQ(hl::Record()[1].template_id, IDD_USER_EDITOR);
  EXPECT_EQ(hl::Record()[2].template_id, IDD_USER_EDITOR);
  EXPECT_EQ(Messages(), Text(IDS_ONLY_LOWER_PRIORITY));
}

// The question names the item as data; Cancel keeps it, OK takes it from the
// tree, and only the manage dialog's OK would write.
TEST_F(ManageDialogTest, DeleteAsksWithTheNameAsData) {
  WriteUsers({Group(u"Plant"), User(u"50%s %d", 1)});
  const auto bytes = testing::ReadBytes(dir_ / "users.dat");
  for (const int answer : {platform::kIdCancel, platform::kIdOk}) {
    Texts outline;
    Run({Select(u"50%s %d",
                [&outline](hl::Driver& d) {
                  d.Click(IDC_DELETE);
                  outline = d.TreeOutline(IDC_ACCOUNT_TREE);
                  d.Cancel();
                }),
         [answer](hl::Driver& d) {
           EXPECT_EQ(d.shown().flags & 0xF, platform::kMbOkCancel);
           d.Answer(answer);
         }});
    EXPECT_EQ(Messages(), Texts{u"确实要删除\"50%s %d\"吗？"});
    EXPECT_EQ(outline.size(), answer == platform::kIdOk ? 1u : 2u);
    EXPECT_EQ(testing::ReadBytes(dir_ / "users.dat"), bytes);
  }
}

// Deleting one name removes every case form of it, so the second item names
// nothing any more: the table's refusal is shown in the prompt.
TEST_F(ManageDialogTest, DeleteRefusedByTheTableIsShownInThePrompt) {
  WriteUsers({User(u"Admin", 1), User(u"admin", 1)});
  Run({[](hl::Driver& d) {
         for (const char16_t* name : {u"Admin", u"admin"}) {
           d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, name));
           d.Click(IDC_DELETE);
         }
         d.Cancel();
       },
       hl::AnswerWith(platform::kIdOk), hl::AnswerWith(platform::kIdOk), hl::PressOk()});
  EXPECT_EQ(Messages().back(), ResourceString(IDS_DELETE_FAILED));
}

// A table or zone names that could not be read are never edited or saved:
// every button that could change a file is off, and OK writes nothing.
TEST_F(ManageDialogTest, FailedLoadDisablesEditingAndOkWritesNothing) {
  WriteUsers({Group(u"Plant"), User(u"ann", 5, u"Plant")});
  ZoneNames zones;
  for (int zone = 0; zone < kZoneCount; ++zone) zones[zone] = u"Zone " + platform::ToDecimal(zone);
  ASSERT_EQ(testing::WriteZonesFile(zones, testing::InstallLocation()), kFileOk);
  const std::pair<const char*, std::uint16_t> rows[] = {{"users.dat", IDS_LOAD_USERS_FAILED},
                                                        {"section.dat", IDS_LOAD_ZONES_FAILED}};
  for (const auto& [damaged, text] : rows) {
    SCOPED_TRACE(damaged);
    testing::ResetStores();
    const auto good = testing::ReadBytes(dir_ / damaged);
    testing::WriteBytes(dir_ / damaged, {good.begin(), good.begin() + good.size() / 2});
    const auto users = testing::ReadBytes(dir_ / "users.dat");
    const auto names = testing::ReadBytes(dir_ / "section.dat");
    Run({hl::PressOk(), [](hl::Driver& d) {
           EXPECT_TRUE(d.TreeOutline(IDC_ACCOUNT_TREE).empty());
           for (std::int32_t id : {IDC_NEW, IDC_MODIFY, IDC_DELETE, IDC_EDIT_ZONES}) {
             EXPECT_FALSE(d.IsEnabled(id)) << id;
           }
           d.Ok();
         }});
    EXPECT_EQ(Messages(), Text(text));
    EXPECT_EQ(testing::ReadBytes(dir_ / "users.dat"), users);
    EXPECT_EQ(testing::ReadBytes(dir_ / "section.dat"), names);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "users.bak"));
    testing::WriteBytes(dir_ / damaged, good);
  }
}

// users.dat without records, read over a table in memory: an empty tree in
// which New works.
TEST_F(ManageDialogTest, FileWithoutRecordsOpensAnEmptyTree) {
  WriteUsers({Group(u"Plant")});
  ASSERT_EQ(LoadAccountFile(ApplicationStore(), testing::InstallLocation()), kFileOk);
  WriteUsers({});
  Texts outline;
  Run({[&outline](hl::Driver& d) {
         outline = d.TreeOutline(IDC_ACCOUNT_TREE), Press(IDC_NEW, 1)(d);
       },
       [](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"Line"), d.Ok(); }});
  EXPECT_TRUE(outline.empty());
  const Table saved = ReadUsers();
  ASSERT_EQ(saved.size(), 1u);
  EXPECT_EQ(saved[0].groupname, u"Line");
}

// A failed save on OK says so, and the edits stay in memory.
TEST_F(ManageDialogTest, FailedSaveOnOkKeepsTheEditsInMemory) {
  WriteUsers({Group(u"Plant")});
  const auto bytes = testing::ReadBytes(dir_ / "users.dat");
  std::optional<testing::FaultInjector> faults;
  Run({[&faults](hl::Driver& d) {
         d.Click(IDC_NEW);
         faults.emplace();
         faults->FailEvery(testing::FileOp::kOpenWrite);
         d.Ok();
       },
       [](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"Line"), d.Ok(); }, hl::PressOk()});
  faults.reset();
  EXPECT_EQ(Messages(), Text(IDS_SAVE_USERS_FAILED));
  EXPECT_EQ(testing::ReadBytes(dir_ / "users.dat"), bytes);
  EXPECT_EQ(ApplicationStore().AccountTypeByName(u"Line"), kTypeGroup);
}

// The host's way in: the dialog runs over the application store, Edit zones
// saves section.dat on its own OK, the manage dialog's OK saves users.dat, and
// the object's last error is left as it was.
TEST_F(ManageDialogTest, ManageDoModalRunsTheDialogAndSavesBothFiles) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassObject(kClsidConfig, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  IConfig* config = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, kIidIConfig, reinterpret_cast<void**>(&config)), S_OK);
  factory->Release();
  short count = 0;
  EXPECT_EQ(config->GetUserNum(&count, platform::ToOle(dir_.core("missing").c_str())), E_FAIL);
  hl::Push([](hl::Driver& d) { d.Click(IDC_EDIT_ZONES), d.Click(IDC_NEW), d.Ok(); });
  hl::Push([](hl::Driver& d) { d.ListClick(IDC_ZONE_LIST, 2), d.Click(IDC_MODIFY), d.Ok(); });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"Boiler"), d.Ok(); });
  hl::Push([](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"Line"), d.Ok(); });
  EXPECT_EQ(config->ManageDoModal(nullptr), S_OK);
  short error = 0;
  EXPECT_EQ(config->GetLastError(&error), S_OK);
  EXPECT_EQ(error, 1);
  EXPECT_EQ(ReadUsers().back().groupname, u"Line");
  CUser reader;
  ASSERT_EQ(LoadSectionFile(reader, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(reader.m_strSection[2], u"Boiler");
  config->Release();
}

}  // namespace
}  // namespace warden
