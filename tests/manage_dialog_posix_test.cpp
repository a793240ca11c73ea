// The manage dialog and the user and group editor, scripted on the headless backend.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "accounts/account_file.h"
#include "accounts/user_store.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/manage_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui_headless.h"
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
using Outline = std::vector<std::u16string>;

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
  // users.dat of the install directory holds `table`.
  void WriteUsers(const Table& table) {
    CUser writer;
    writer.m_pUser = table;
    ASSERT_EQ(SaveAccountFile(writer, testing::InstallLocation()), kFileOk);
  }
  Table ReadUsers() {
    CUser reader;
    EXPECT_EQ(LoadAccountFile(reader, testing::InstallLocation()), kFileOk);
    return reader.m_pUser ? *reader.m_pUser : Table();
  }
  void LogIn(const std::u16string& name, std::int16_t priority) {
    ApplicationStore().m_pCurUser = std::make_unique<AccountRecord>(User(name, priority));
  }
  // Runs the manage dialog with `steps` for it and every modal it opens.
  std::intptr_t Run(std::vector<hl::Step> steps) {
    for (auto& step : steps) hl::Push(std::move(step));
    return CManageDialog(nullptr, ApplicationStore(), testing::InstallLocation()).DoModal();
  }
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> shown;
    for (const hl::Shown& modal : hl::Record()) {
      if (modal.message_box) shown.push_back(modal.text);
      if (modal.template_id == IDD_PROMPT) shown.push_back(modal.TextOf(IDC_PROMPT_TEXT));
    }
    return shown;
  }

  testing::TempDir dir_;
  testing::WindowsProfile profile_;
};

// Selects the item named `name` and runs `then` on the manage dialog.
hl::Step Select(const std::u16string& name, std::function<void(hl::Driver&)> then) {
  return [name, then](hl::Driver& d) {
    EXPECT_TRUE(d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, name))) << ToUtf8(name);
    then(d);
  };
}

TEST_F(ManageDialogTest, WithoutUsersDatTheDefaultTreeIsShown) {
  Outline outline;
  Run({[&outline](hl::Driver& d) {
    outline = d.TreeOutline(IDC_ACCOUNT_TREE);
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    EXPECT_FALSE(d.IsEnabled(IDC_DELETE));
    EXPECT_TRUE(d.IsEnabled(IDC_NEW));
    d.Cancel();
  }});
  EXPECT_EQ(outline, (Outline{u"系统管理员组", u"  系统管理员", u"无组", u"  无"}));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "users.dat"));
  EXPECT_TRUE(std::filesystem::exists(dir_ / "section.dat"));
}

TEST_F(ManageDialogTest, TreeShowsGroupsWithMembersAndHidesUnknownGroups) {
  WriteUsers({User(u"early", 1, u"Plant"), Group(u"Plant"), User(u"loose", 1),
              User(u"case", 1, u"PLANT"), User(u"orphan", 1, u"Gone")});
  Outline outline;
  Run({[&outline](hl::Driver& d) { outline = d.TreeOutline(IDC_ACCOUNT_TREE), d.Ok(); }});
  EXPECT_EQ(outline, (Outline{u"Plant", u"  early", u"loose"}));
  EXPECT_EQ(ReadUsers().size(), 5u);  // hidden users stay in the table and are saved
}

TEST_F(ManageDialogTest, NewGroupAndUsersThenOkWritesThem) {
  WriteUsers({Group(u"Plant")});
  Outline outline;
  Run({
      [&outline](hl::Driver& d) {
        d.Click(IDC_NEW);  // group
        d.Click(IDC_NEW);  // user in Line
        d.Click(IDC_NEW);  // user without a group
        outline = d.TreeOutline(IDC_ACCOUNT_TREE);
        d.Ok();
      },
      [](hl::Driver& d) {
        EXPECT_TRUE(d.IsChecked(IDC_TYPE_GROUP));
        d.Type(IDC_GROUP_NAME, u"  Line ");
        d.Type(IDC_GROUP_COMMENT, u"second line");
        d.ListTick(IDC_ZONE_LIST, 4, true);
        d.Ok();
      },
      [](hl::Driver& d) {
        EXPECT_TRUE(d.IsChecked(IDC_TYPE_GROUP));  // the last type is offered again
        d.Click(IDC_TYPE_USER);
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
      },
  });
  EXPECT_EQ(outline, (Outline{u"Plant", u"Line", u"  ann", u"bob"}));
  const Table saved = ReadUsers();
  ASSERT_EQ(saved.size(), 4u);
  EXPECT_EQ(saved[1].groupname, u"Line");  // trimmed
  EXPECT_EQ(saved[1].groupcomment, u"second line");
  EXPECT_EQ(saved[1].sectionid[4], 1);
  EXPECT_EQ(saved[2].username, u"ann");
  EXPECT_EQ(saved[2].groupname, u"Line");
  EXPECT_EQ(saved[2].password, u"secret");
  EXPECT_EQ(saved[2].limitTime, 30);
  EXPECT_EQ(saved[2].userpri, 120);
  EXPECT_EQ(saved[2].sectionid[5], 1);
  EXPECT_EQ(saved[3].groupname, u"");
  EXPECT_EQ(saved[3].userpri, 999);  // the editor's default priority
}

TEST_F(ManageDialogTest, EditorDefaultsAndEnablingRules) {
  WriteUsers({Group(u"Plant"), Group(u"Line")});
  Run({[](hl::Driver& d) { d.Click(IDC_NEW), d.Cancel(); },
       [](hl::Driver& d) {
         EXPECT_EQ(d.Text(IDC_LOGIN_TIMEOUT), u"0");
         EXPECT_EQ(d.Text(IDC_PRIORITY), u"999");
         EXPECT_TRUE(d.IsEnabled(IDC_GROUP_NAME));
         EXPECT_FALSE(d.IsEnabled(IDC_USER_NAME));
         EXPECT_FALSE(d.IsChecked(IDC_JOIN_GROUP));
         EXPECT_FALSE(d.IsEnabled(IDC_JOIN_GROUP));
         EXPECT_EQ(d.ComboEntries(IDC_JOIN_GROUP_COMBO), (Outline{u"Plant", u"Line"}));
         EXPECT_EQ(d.ComboSelected(IDC_JOIN_GROUP_COMBO), 0);
         d.Click(IDC_TYPE_USER);
         EXPECT_TRUE(d.IsEnabled(IDC_USER_NAME));
         EXPECT_FALSE(d.IsEnabled(IDC_GROUP_NAME));
         EXPECT_FALSE(d.IsEnabled(IDC_JOIN_GROUP_COMBO));
         d.Click(IDC_JOIN_GROUP);
         EXPECT_TRUE(d.IsEnabled(IDC_JOIN_GROUP_COMBO));
         d.Click(IDC_JOIN_GROUP);
         EXPECT_FALSE(d.IsEnabled(IDC_JOIN_GROUP_COMBO));
         d.Cancel();
       }});
}

// Each row fills the New editor and expects exactly the listed messages; a
// row without messages is accepted and closes the editor. `current` is the
// logged-in user's priority (-1: nobody logged in).
TEST_F(ManageDialogTest, EditorChecksInOrderWithTheirMessages) {
  WriteUsers({Group(u"Plant"), User(u"ann", 5, u"Plant")});
  const auto text = [](std::uint16_t id) {
    return std::vector<std::u16string>{ResourceString(id)};
  };
  const auto user = [](const std::u16string& name, const std::u16string& priority = u"") {
    return [name, priority](hl::Driver& d) {
      d.Click(IDC_TYPE_USER);
      d.Type(IDC_USER_NAME, name);
      if (!priority.empty()) d.Type(IDC_PRIORITY, priority);
    };
  };
  const auto group = [](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"g"); };
  struct Row {
    const char* label;
    std::int16_t current;
    std::function<void(hl::Driver&)> fill;
    std::vector<std::u16string> messages;
    std::uint32_t box_icon = 0;
  };
  // One row per way of showing a refusal; the rules are tested as a table.
  const std::vector<Row> rows = {
      {"blank name", -1, user(u"   "), text(IDS_ENTER_NAME), platform::kMbIconStop},
      {"zone none with another", -1,
       [&user](hl::Driver& d) {
         user(u"x")(d);
         d.ListTick(IDC_ZONE_LIST, 0, true);
         d.ListTick(IDC_ZONE_LIST, 5, true);
       },
       text(IDS_ZONE_NONE_WITH_OTHERS)},
      {"name of a group in other case", -1, user(u" PLANT "), text(IDS_NAME_EXISTS),
       platform::kMbIconInformation},
      {"priority above the current user's", 500, user(u"x", u"501"),
       text(IDS_PRIORITY_ABOVE_CURRENT)},
      {"group, current priority 1", 1, group, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.label);
    hl::Reset();
    ApplicationStore().m_pCurUser.reset();
    if (row.current >= 0) LogIn(u"boss", row.current);
    std::int32_t focused = 0;
    bool open_after_ok = false;
    std::vector<hl::Step> steps = {[](hl::Driver& d) { d.Click(IDC_NEW), d.Cancel(); },
                                   [&row, &focused, &open_after_ok](hl::Driver& d) {
                                     row.fill(d);
                                     d.Ok();
                                     focused = d.Focused();
                                     open_after_ok = d.IsOpen();
                                     if (open_after_ok) d.Cancel();
                                   }};
    if (!row.messages.empty()) steps.push_back(hl::PressOk());
    Run(std::move(steps));
    EXPECT_EQ(Messages(), row.messages);
    EXPECT_EQ(open_after_ok, !row.messages.empty());  // a failed check leaves the editor open
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
  Run({Select(u"ann", [](hl::Driver& d) { d.Click(IDC_MODIFY), d.Cancel(); }),
       [&focused](hl::Driver& d) {
         d.Ok();
         focused = d.Focused();
         d.Cancel();
       },
       [](hl::Driver& d) {
         EXPECT_EQ(d.shown().flags, platform::kMbOk);  // no icon
         d.Answer(platform::kIdOk);
       }});
  EXPECT_EQ(Messages(), (std::vector<std::u16string>{
                            platform::FormatText(ResourceString(IDS_PASSWORD_TOO_LONG), u"31")}));
  EXPECT_EQ(focused, IDC_PASSWORD);
}

TEST_F(ManageDialogTest, ModifyGroupRenameCarriesUsersAndTreeItem) {
  WriteUsers({Group(u"Plant", 3), User(u"ann", 5, u"Plant")});
  Outline outline;
  Run({Select(u"Plant",
              [&outline](hl::Driver& d) {
                EXPECT_TRUE(d.IsEnabled(IDC_MODIFY));
                EXPECT_FALSE(d.IsEnabled(IDC_DELETE));  // the group has a member
                d.Click(IDC_MODIFY);
                outline = d.TreeOutline(IDC_ACCOUNT_TREE);
                d.Ok();
              }),
       [](hl::Driver& d) {
         EXPECT_EQ(d.Text(IDC_GROUP_NAME), u"Plant");
         EXPECT_FALSE(d.IsEnabled(IDC_TYPE_USER));  // no type change in Modify
         EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 3));
         d.Type(IDC_GROUP_NAME, u"Line");
         d.Ok();
       }});
  EXPECT_EQ(outline, (Outline{u"Line", u"  ann"}));
  const Table saved = ReadUsers();
  EXPECT_EQ(saved[0].groupname, u"Line");
  EXPECT_EQ(saved[1].groupname, u"Line");
}

TEST_F(ManageDialogTest, ModifyUserCaseOnlyRenameAndBuiltInNames) {
  WriteUsers({User(u"ann", 5), User(u"bob", 5), User(u"系统管理员", 999)});
  Run({Select(u"ann", [](hl::Driver& d) { d.Click(IDC_MODIFY), d.Click(IDC_MODIFY), d.Ok(); }),
       [](hl::Driver& d) {
         EXPECT_EQ(d.Text(IDC_PRIORITY), u"5");
         EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 2));
         d.Type(IDC_USER_NAME, u"Bob");  // another record's name
         d.Ok();
         d.Type(IDC_USER_NAME, u"ANN");  // its own name in other case
         d.Ok();
       },
       hl::PressOk(), [](hl::Driver& d) { d.Cancel(); }});
  EXPECT_EQ(Messages(), (std::vector<std::u16string>{ResourceString(IDS_NAME_EXISTS)}));
  EXPECT_EQ(ReadUsers()[0].username, u"ANN");

  hl::Reset();
  Run({Select(u"系统管理员",
              [](hl::Driver& d) { d.Click(IDC_MODIFY), d.Click(IDC_MODIFY), d.Ok(); }),
       [](hl::Driver& d) { d.Type(IDC_USER_NAME, u"root"), d.Ok(), d.Cancel(); }, hl::PressOk(),
       [](hl::Driver& d) { d.Type(IDC_PASSWORD, u"changed"), d.Ok(); }});
  EXPECT_EQ(Messages(), (std::vector<std::u16string>{ResourceString(IDS_CANNOT_RENAME_BUILTIN)}));
  EXPECT_EQ(ReadUsers()[2].password, u"changed");
}

// The buttons follow the selection rules (tested as a table of their own).
TEST_F(ManageDialogTest, SelectionEnablesModifyAndDelete) {
  WriteUsers({Group(u"Plant"), User(u"ann", 5, u"Plant"), User(u"low", 9), User(u"high", 11)});
  LogIn(u"me", 10);
  struct Row {
    std::u16string name;
    bool modify, remove;
  };
  const std::vector<Row> rows = {
      {u"Plant", true, false}, {u"low", true, true}, {u"high", false, false}};
  Run({[&rows](hl::Driver& d) {
    for (const Row& row : rows) {
      SCOPED_TRACE(ToUtf8(row.name));
      d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, row.name));
      EXPECT_EQ(d.IsEnabled(IDC_MODIFY), row.modify);
      EXPECT_EQ(d.IsEnabled(IDC_DELETE), row.remove);
    }
    d.Cancel();
  }});
}

TEST_F(ManageDialogTest, DoubleClickOpensOnlyWhatTheCurrentUserMayChange) {
  WriteUsers({Group(u"Plant"), User(u"high", 11)});
  LogIn(u"me", 10);
  Run({Select(u"high", [](hl::Driver& d) { d.TreeDoubleClick(IDC_ACCOUNT_TREE), d.Cancel(); }),
       hl::PressOk()});
  EXPECT_EQ(Messages(), (std::vector<std::u16string>{ResourceString(IDS_ONLY_LOWER_PRIORITY)}));

  hl::Reset();
  bool editor_opened = false;
  Run({Select(u"Plant", [](hl::Driver& d) { d.TreeDoubleClick(IDC_ACCOUNT_TREE), d.Cancel(); }),
       [&editor_opened](hl::Driver& d) {
         editor_opened = d.shown().template_id == IDD_USER_EDITOR;
         d.Cancel();
       }});
  EXPECT_TRUE(editor_opened);
}

TEST_F(ManageDialogTest, DeleteAsksWithTheNameAsDataAndCancelKeepsEverything) {
  WriteUsers({Group(u"Plant"), User(u"50%s %d", 1)});
  const auto bytes = testing::ReadBytes(dir_ / "users.dat");
  std::u16string question;
  Run({Select(u"50%s %d", [](hl::Driver& d) { d.Click(IDC_DELETE), d.Cancel(); }),
       [&question](hl::Driver& d) {
         question = d.shown().text;
         EXPECT_EQ(d.shown().flags & 0xF, platform::kMbOkCancel);
         d.Answer(platform::kIdCancel);
       }});
  EXPECT_EQ(question, u"确实要删除\"50%s %d\"吗？");
  EXPECT_EQ(testing::ReadBytes(dir_ / "users.dat"), bytes);

  hl::Reset();
  Outline outline;
  Run({Select(u"50%s %d",
              [&outline](hl::Driver& d) {
                d.Click(IDC_DELETE);
                outline = d.TreeOutline(IDC_ACCOUNT_TREE);
                d.Cancel();
              }),
       hl::AnswerWith(platform::kIdOk)});
  EXPECT_EQ(outline, Outline{u"Plant"});
  EXPECT_EQ(testing::ReadBytes(dir_ / "users.dat"), bytes);  // Cancel writes nothing
}

// A delete the table refuses is shown in the prompt: deleting one name
// removes every case form of it, so the second item names nothing any more.
TEST_F(ManageDialogTest, DeleteRefusedByTheTableIsShownInThePrompt) {
  const hl::Step answer_ok = hl::AnswerWith(platform::kIdOk);
  WriteUsers({User(u"Admin", 1), User(u"admin", 1)});
  Run({[](hl::Driver& d) {
         for (const char16_t* name : {u"Admin", u"admin"}) {
           d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, name));
           d.Click(IDC_DELETE);
         }
         d.Cancel();
       },
       answer_ok, answer_ok, hl::PressOk()});
  ASSERT_FALSE(Messages().empty());
  EXPECT_EQ(Messages().back(), ResourceString(IDS_DELETE_FAILED));
}

// A table or zone names that could not be read are never edited or saved:
// every button that could change a file is off, and OK writes nothing.
TEST_F(ManageDialogTest, FailedLoadDisablesEditingAndOkWritesNothing) {
  CUser writer;
  writer.m_pUser = Table{Group(u"Plant"), User(u"ann", 5, u"Plant")};
  for (int zone = 0; zone < kZoneCount; ++zone) {
    writer.m_strSection[zone] = u"Zone " + platform::ToDecimal(zone);
  }
  ASSERT_EQ(SaveAccountFile(writer, testing::InstallLocation()), kFileOk);
  ASSERT_EQ(SaveSectionFile(writer, testing::InstallLocation()), kFileOk);
  const struct {
    const char* damaged;
    std::uint16_t text;
  } rows[] = {{"users.dat", IDS_LOAD_USERS_FAILED}, {"section.dat", IDS_LOAD_ZONES_FAILED}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.damaged);
    hl::Reset();
    testing::ResetStores();
    ApplicationStore().m_strSection = {};  // a first opening in the process
    const auto good = testing::ReadBytes(dir_ / row.damaged);
    auto cut = good;
    cut.resize(cut.size() / 2);
    testing::WriteBytes(dir_ / row.damaged, cut);
    const auto users = testing::ReadBytes(dir_ / "users.dat");
    const auto zones = testing::ReadBytes(dir_ / "section.dat");
    Run({hl::PressOk(), [](hl::Driver& d) {
           EXPECT_TRUE(d.TreeOutline(IDC_ACCOUNT_TREE).empty());
           for (std::int32_t id : {IDC_NEW, IDC_MODIFY, IDC_DELETE, IDC_EDIT_ZONES}) {
             EXPECT_FALSE(d.IsEnabled(id)) << id;
           }
           d.Ok();
         }});
    EXPECT_EQ(Messages(), (std::vector<std::u16string>{ResourceString(row.text)}));
    EXPECT_EQ(testing::ReadBytes(dir_ / "users.dat"), users);
    EXPECT_EQ(testing::ReadBytes(dir_ / "section.dat"), zones);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "users.bak"));
    EXPECT_FALSE(std::filesystem::exists(dir_ / "section.bak"));
    testing::WriteBytes(dir_ / row.damaged, good);
  }
}

// users.dat without records, read over a table in memory: an empty tree in
// which New works.
TEST_F(ManageDialogTest, FileWithoutRecordsOpensAnEmptyTree) {
  WriteUsers({Group(u"Plant"), User(u"ann", 5, u"Plant")});
  ASSERT_EQ(LoadAccountFile(ApplicationStore(), testing::InstallLocation()), kFileOk);
  WriteUsers({});
  Outline outline;
  Run({[&outline](hl::Driver& d) {
         outline = d.TreeOutline(IDC_ACCOUNT_TREE);
         d.Click(IDC_NEW);
         d.Ok();
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
  EXPECT_EQ(Messages(), (std::vector<std::u16string>{ResourceString(IDS_SAVE_USERS_FAILED)}));
  EXPECT_EQ(testing::ReadBytes(dir_ / "users.dat"), bytes);
  EXPECT_EQ(ApplicationStore().AccountTypeByName(u"Line"), kTypeGroup);
}

TEST_F(ManageDialogTest, EditZonesRenamesAndSavesTheZoneFile) {
  Run({[](hl::Driver& d) { d.Click(IDC_EDIT_ZONES), d.Cancel(); },
       [](hl::Driver& d) {
         d.ListClick(IDC_ZONE_LIST, 2);
         d.Click(IDC_MODIFY);
         d.Ok();
       },
       [](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"Boiler"), d.Ok(); }});
  CUser reader;
  ASSERT_EQ(LoadSectionFile(reader, testing::InstallLocation()), kFileOk);
  EXPECT_EQ(reader.m_strSection[2], u"Boiler");
}

// The host's way in: the dialog runs over the application store, OK saves,
// and the object's last error is left as it was.
TEST_F(ManageDialogTest, ManageDoModalRunsTheDialogAndReturnsOk) {
  IClassFactory* factory = nullptr;
  ASSERT_EQ(GetClassObject(kClsidConfig, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
            S_OK);
  IConfig* config = nullptr;
  ASSERT_EQ(factory->CreateInstance(nullptr, kIidIConfig, reinterpret_cast<void**>(&config)), S_OK);
  factory->Release();
  short count = 0;
  std::u16string missing = dir_.core("missing");
  EXPECT_EQ(config->GetUserNum(&count, platform::ToOle(missing.c_str())), E_FAIL);

  hl::Push([](hl::Driver& d) { d.Click(IDC_NEW), d.Ok(); });
  hl::Push([](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"Line"), d.Ok(); });
  EXPECT_EQ(config->ManageDoModal(nullptr), S_OK);
  short error = 0;
  EXPECT_EQ(config->GetLastError(&error), S_OK);
  EXPECT_EQ(error, 1);
  EXPECT_EQ(ReadUsers().back().groupname, u"Line");
  config->Release();
}

}  // namespace
}  // namespace warden
