// Dialogs on the headless backend: the framework and its script, then the
// manage dialog, the user and group editor and the zone dialogs.
#include <gtest/gtest.h>

#include <optional>

#include "accounts/account_file.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/manage_dialog.h"
#include "dialogs/zone_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "shell/config_ids.h"
#include "shell/config_object.h"
#include "tests/support/fault_injection.h"
#include "tests/support/install_dir.h"
#include "tests/support/records.h"
#include "tests/support/stores.h"
#include "ui/headless_driver.h"
#include "zones/zone_file.h"

namespace warden::testing {
namespace {

namespace hl = ui::headless;
using platform::ResourceString;
using platform::ToUtf8;
using Table = std::vector<AccountRecord>;
using Texts = std::vector<std::u16string>;
using Step = hl::Step;

// Every record belongs to a zone: a group to `zone`, a user to zone 2.
AccountRecord InZone(AccountRecord record, int zone) {
  record.sectionid[zone] = 1;
  return record;
}
AccountRecord Group(const std::u16string& name, int zone = 1) {
  return InZone(GroupRecord(name), zone);
}
AccountRecord User(const std::u16string& name, std::int16_t priority,
                   const std::u16string& group = u"") {
  return InZone(UserRecord(name, priority, group), 2);
}

Texts Text(std::uint16_t id, const std::u16string& argument = u"") {
  return {platform::FormatText(ResourceString(id), argument)};
}

// Each test starts with an empty script, the framework's texts and fresh
// stores in an install directory of its own, and ends with no step left over
// and no modal left unanswered.
class DialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A script's failures fail the test, at the line of the step.
    hl::SetFailureReporter([](const char* file, int line, const std::string& message) {
      ADD_FAILURE_AT(file, line) << message;
    });
    ui::SetStandardTexts(kDialogTexts);
    ResetStores();
  }
  void TearDown() override {
    EXPECT_TRUE(hl::PendingSteps() == 0 && hl::Unanswered() == 0);
    hl::Reset();
    ResetStores();
  }
  // The texts of the message boxes and prompts shown, in order, once every
  // step was taken and every modal answered.
  static Texts Messages() {
    EXPECT_TRUE(hl::PendingSteps() == 0 && hl::Unanswered() == 0);
    Texts shown;
    for (const hl::Shown& modal : hl::Record()) {
      if (modal.message_box) shown.push_back(modal.text);
      if (modal.template_id == IDD_PROMPT) shown.push_back(modal.TextOf(IDC_PROMPT_TEXT));
    }
    return shown;
  }
  // Runs the manage dialog over `table` (none: users.dat left as it is) with a
  // fresh script of `steps`.
  static Texts Run(std::optional<Table> table, std::vector<Step> steps) {
    EXPECT_EQ(table ? WriteUsersFile(*table) : FileFailure::kNone, FileFailure::kNone);
    hl::Reset();
    for (Step& step : steps) hl::Push(std::move(step));
    ManageDialog(nullptr, ManagedApplicationStore()).DoModal();
    return Messages();
  }
  // Zone names 无, Z1 to Z63.
  static void NameZones() {
    for (int zone = 0; zone < kZoneCount; ++zone)
      ApplicationStore().zones[zone] = zone ? u"Z" + platform::ToDecimal(zone) : u"无";
  }
  static Texts RunZones(std::intptr_t result) {
    const ManagedStore store = ManagedApplicationStore();
    EXPECT_EQ(ZoneDialog(nullptr, store.zones, store.zones_file).DoModal(), result);
    return Messages();
  }

  InstallDir dir_;
};

// Selects the item named `name` and runs `then` on the manage dialog.
Step Select(const std::u16string& name, Step then) {
  return [name, then](hl::Driver& d) {
    EXPECT_TRUE(d.TreeSelect(IDC_ACCOUNT_TREE, d.TreeFind(IDC_ACCOUNT_TREE, name)));
    then(d);
  };
}

// Clicks `button`, then `close`.
Step Press(std::int32_t button, std::int32_t close = ui::kIdCancel) {
  return [button, close](hl::Driver& d) { d.Click(button), d.Click(close); };
}

// Reads the tree's outline into `outline`, then runs `then`.
Step Outline(Texts& outline, Step then) {
  return [&outline, then](hl::Driver& d) { outline = d.TreeOutline(IDC_ACCOUNT_TREE), then(d); };
}

TEST_F(DialogsTest, TreeShowsGroupsWithMembersHidesUnknownGroupsOrIsTheDefaultOrEmpty) {
  Texts outline;
  Run(std::nullopt, {Outline(outline, [](hl::Driver& d) {
        EXPECT_FALSE(d.IsEnabled(IDC_MODIFY) || d.IsEnabled(IDC_DELETE));
        d.Cancel();
      })});
  EXPECT_EQ(outline, (Texts{u"系统管理员组", u"  系统管理员", u"无组", u"  无"}));
  Run(Table{User(u"early", 1, u"Plant"), Group(u"Plant"), User(u"loose", 1),
            User(u"case", 1, u"PLANT"), User(u"orphan", 1, u"Gone")},
      {Outline(outline, hl::PressOk())});
  EXPECT_EQ(outline, (Texts{u"Plant", u"  early", u"loose"}));
  EXPECT_EQ(ReadUsersFile().size(), 5u);  // hidden users stay in the table and are saved
  // users.dat without records, read over a table in memory: an empty tree in
  // which New works.
  const ManagedStore store = ManagedApplicationStore();
  ASSERT_EQ(LoadAccountFile(store.accounts, store.users_file), FileFailure::kNone);
  Run(Table{}, {Outline(outline, Press(IDC_NEW, ui::kIdOk)),
                [](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"Line"), d.Ok(); }});
  EXPECT_TRUE(outline.empty());
  EXPECT_EQ(ReadUsersFile().at(0).groupname, u"Line");
}

// The editor's defaults and enabling rules, then a group and two users made and saved.
TEST_F(DialogsTest, NewGroupAndUsersThenOkWritesThem) {
  Texts outline;
  Run(Table{Group(u"Plant")},
      {[&outline](hl::Driver& d) {
         for (int i = 0; i < 3; ++i) d.Click(IDC_NEW);  // a group, a user in it, one without
         outline = d.TreeOutline(IDC_ACCOUNT_TREE), d.Ok();
       },
       [](hl::Driver& d) {
         EXPECT_TRUE(d.IsChecked(IDC_TYPE_GROUP) && d.IsEnabled(IDC_GROUP_NAME) &&
                     d.Focused() == IDC_TYPE_GROUP);  // the first tab stop
         EXPECT_FALSE(d.IsEnabled(IDC_USER_NAME) || d.IsEnabled(IDC_JOIN_GROUP));
         d.Type(IDC_GROUP_NAME, u"  Line "), d.Type(IDC_GROUP_COMMENT, u"second line");
         d.ListTick(IDC_ZONE_LIST, 4, true), d.Ok();
       },
       [](hl::Driver& d) {
         EXPECT_TRUE(d.IsChecked(IDC_TYPE_GROUP));  // the last type is offered again
         EXPECT_EQ(d.ComboEntries(IDC_JOIN_GROUP_COMBO), (Texts{u"Plant", u"Line"}));
         EXPECT_EQ(d.ComboSelected(IDC_JOIN_GROUP_COMBO), 0);
         d.Click(IDC_TYPE_USER);
         EXPECT_FALSE(d.IsEnabled(IDC_GROUP_NAME) || d.IsEnabled(IDC_JOIN_GROUP_COMBO) ||
                      d.IsChecked(IDC_TYPE_GROUP));  // one radio button of the group ticked
         d.Type(IDC_USER_NAME, u"ann"), d.Type(IDC_PASSWORD, u"secret"),
             d.Type(IDC_USER_COMMENT, u"c");
         d.Type(IDC_LOGIN_TIMEOUT, u"30"), d.Type(IDC_PRIORITY, u"120"), d.Click(IDC_JOIN_GROUP);
         EXPECT_TRUE(d.IsEnabled(IDC_JOIN_GROUP_COMBO));
         d.ComboSelect(IDC_JOIN_GROUP_COMBO, 1), d.ListTick(IDC_ZONE_LIST, 5, true), d.Ok();
       },
       [](hl::Driver& d) {
         EXPECT_TRUE(d.IsChecked(IDC_TYPE_USER));
         d.Type(IDC_USER_NAME, u"bob"), d.Ok();
       }});
  EXPECT_EQ(outline, (Texts{u"Plant", u"Line", u"  ann", u"bob"}));
  EXPECT_EQ(ReadUsersFile(),
            (Table{Group(u"Plant"),
                   InZone({kTypeGroup, {}, u"Line", u"", u"", u"", 0, 0, u"second line"}, 4),
                   InZone({kTypeUser, {}, u"Line", u"ann", u"secret", u"c", 120, 30, u""}, 5),
                   UserRecord(u"bob", 999)}));
}

// Each row fills the New editor with a user and expects the refusal's text, in a
// box with that icon (0: a prompt); the editor stays open, for a box with the
// name selected.
TEST_F(DialogsTest, EditorRefusalsAreShownAndKeepTheEditorOpen) {
  const struct {
    const char16_t* name;
    int zone;  // ticked besides zone 0 (none) when not 0
    std::uint16_t message;
    std::uint32_t box_icon;
  } rows[] = {{u"   ", 0, IDS_ENTER_NAME, ui::kMbIconStop},
              {u"x", 5, IDS_ZONE_NONE_WITH_OTHERS, 0},
              {u" PLANT ", 0, IDS_NAME_EXISTS, ui::kMbIconInformation}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.message);
    const Step fill = [&row](hl::Driver& d) {
      d.Click(IDC_TYPE_USER), d.Type(IDC_USER_NAME, row.name), d.Type(IDC_PRIORITY, u"1");
      if (row.zone) d.ListTick(IDC_ZONE_LIST, 0, true), d.ListTick(IDC_ZONE_LIST, row.zone, true);
      d.Ok();
      EXPECT_TRUE(d.IsOpen());
      EXPECT_EQ(d.Focused(), row.box_icon ? IDC_USER_NAME : IDC_PRIORITY);
      EXPECT_EQ(d.Selection(IDC_USER_NAME).first, row.box_icon ? 0u : 1u);  // selected for a box
      d.Cancel();
    };
    const Step answer = [&row](hl::Driver& d) {
      EXPECT_EQ(d.IsMessageBox() ? d.shown().flags & 0xF0 : 0, row.box_icon);
      hl::PressOk()(d);
    };
    EXPECT_EQ(Run(Table{Group(u"Plant")}, {Press(IDC_NEW), fill, answer}), Text(row.message));
  }
}

// Modify, Delete and a double-click: what each shows and leaves behind (the
// selection rules have a table of their own).
TEST_F(DialogsTest, ModifyAndDeleteShowTheirMessages) {
  const auto twice = [](hl::Driver& d) { d.Click(IDC_MODIFY), d.Click(IDC_MODIFY), d.Ok(); };
  AccountRecord preset = User(u"ann", 5);  // only a preset can be too long
  preset.password = preset.usercomment = std::u16string(40, u'p');
  EXPECT_EQ(Run(Table{preset}, {Select(u"ann", Press(IDC_MODIFY)),
                                [](hl::Driver& d) {
                                  d.Ok();  // the password is checked before anything else
                                  EXPECT_EQ(d.Focused(), IDC_PASSWORD);
                                  d.Cancel();
                                },
                                [](hl::Driver& d) { EXPECT_EQ(d.shown().flags, ui::kMbOk); }}),
            Text(IDS_PASSWORD_TOO_LONG, u"31"));

  EXPECT_EQ(Run(Table{User(u"ann", 5), User(u"bob", 5)},
                {Select(u"ann",  // a double-click opens the editor as Modify does
                        [](hl::Driver& d) {
                          d.TreeDoubleClick(IDC_ACCOUNT_TREE), d.Click(IDC_MODIFY), d.Ok();
                        }),
                 [](hl::Driver& d) {
                   EXPECT_EQ(d.Text(IDC_PRIORITY), u"5");
                   EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 2));
                   d.Type(IDC_USER_NAME, u"Bob"), d.Ok();  // another record's name
                   d.Type(IDC_USER_NAME, u"ANN"), d.Ok();  // its own in other case
                 },
                 hl::PressOk(), hl::PressCancel()}),
            Text(IDS_NAME_EXISTS));
  EXPECT_EQ(ReadUsersFile()[0].username, u"ANN");

  EXPECT_EQ(Run(Table{User(u"系统管理员", 999)},
                {Select(u"系统管理员", twice),
                 [](hl::Driver& d) { d.Type(IDC_USER_NAME, u"root"), d.Ok(), d.Cancel(); },
                 hl::PressOk(), [](hl::Driver& d) { d.Type(IDC_PASSWORD, u"changed"), d.Ok(); }}),
            Text(IDS_CANNOT_RENAME_BUILTIN));
  EXPECT_EQ(ReadUsersFile()[0].password, u"changed");

  Texts outline;
  Run(Table{Group(u"Other", 5), Group(u"Plant", 3), User(u"ann", 5, u"Plant")},
      {Select(u"Plant",
              [&outline](hl::Driver& d) {
                EXPECT_FALSE(d.IsEnabled(IDC_DELETE));  // the group has a member
                d.Click(IDC_MODIFY), outline = d.TreeOutline(IDC_ACCOUNT_TREE), d.Ok();
              }),
       [](hl::Driver& d) {
         EXPECT_EQ(d.Text(IDC_GROUP_NAME), u"Plant");
         // No type change in Modify; its own zones, not Other's.
         EXPECT_TRUE(!d.IsEnabled(IDC_TYPE_USER) && d.ListChecked(IDC_ZONE_LIST, 3));
         d.Type(IDC_GROUP_NAME, u"Line"), d.Ok();
       }});
  EXPECT_EQ(outline, (Texts{u"Other", u"Line", u"  ann"}));
  EXPECT_EQ(ReadUsersFile()[2].groupname, u"Line");  // the member follows

  // The question names the item as data. Modify and Delete act on the record
  // of exactly the item's name, never on its twin in another letter case.
  EXPECT_EQ(Run(Table{User(u"50%S %D", 900), User(u"50%s %d", 1)},
                {Select(u"50%s %d",
                        [](hl::Driver& d) { d.Click(IDC_MODIFY), d.Click(IDC_DELETE), d.Ok(); }),
                 hl::PressOk(), hl::PressOk()}),
            (Texts{u"确实要删除\"50%s %d\"吗？"}));
  EXPECT_EQ(ReadUsersFile(), Table{User(u"50%S %D", 900)});

  // A double-click on what the current user may not change says so.
  LoggedInUser() = User(u"me", 10);
  const Step step = Select(u"high", [](hl::Driver& d) {
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    d.TreeDoubleClick(IDC_ACCOUNT_TREE), d.Cancel();
  });
  EXPECT_EQ(Run(Table{User(u"high", 11)}, {step, hl::PressOk()}), Text(IDS_ONLY_LOWER_PRIORITY));
}

// A table or zone names that could not be read are never edited or saved:
// every button that could change a file is off (New and Edit zones refuse when
// their commands come anyway), and OK writes nothing.
TEST_F(DialogsTest, FailedLoadDisablesEditingAndOkWritesNothing) {
  NameZones();
  ASSERT_EQ(WriteZonesFile(ApplicationStore().zones), FileFailure::kNone);
  const std::pair<const char*, std::uint16_t> rows[] = {{"users.dat", IDS_LOAD_USERS_FAILED},
                                                        {"section.dat", IDS_LOAD_ZONES_FAILED}};
  for (const auto& [damaged, text] : rows) {
    SCOPED_TRACE(damaged);
    ResetStores();
    ASSERT_EQ(WriteUsersFile({Group(u"Plant")}), FileFailure::kNone);
    const auto good = ReadBytes(dir_ / damaged);
    WriteBytes(dir_ / damaged, {good.begin(), good.begin() + good.size() / 2});
    const auto users = ReadBytes(dir_ / "users.dat"), names = ReadBytes(dir_ / "section.dat");
    EXPECT_EQ(Run(std::nullopt, {hl::PressOk(),
                                 [](hl::Driver& d) {
                                   EXPECT_TRUE(d.TreeOutline(IDC_ACCOUNT_TREE).empty());
                                   EXPECT_FALSE(d.IsEnabled(IDC_NEW) || d.IsEnabled(IDC_MODIFY) ||
                                                d.IsEnabled(IDC_DELETE) ||
                                                d.IsEnabled(IDC_EDIT_ZONES));
                                   d.Post(IDC_EDIT_ZONES);  // these open nothing
                                   d.Post(IDC_NEW);
                                   d.Ok();
                                 }}),
              Text(text));
    EXPECT_EQ(ReadBytes(dir_ / "users.dat"), users);
    EXPECT_EQ(ReadBytes(dir_ / "section.dat"), names);
    EXPECT_FALSE(dir_.Has("users.bak"));
    WriteBytes(dir_ / damaged, good);
  }
}

// The host's way in runs the dialog over the application store and the install
// directory; a save that fails, of the zone names on the zone dialog's OK or of
// the table on OK, says so, and the edits stay in memory.
TEST_F(DialogsTest, ManageDoModalShowsFailedSavesAndKeepsTheEdits) {
  IUnknown* object = ConfigObject::Create(nullptr);
  IConfig* config = nullptr;
  ASSERT_EQ(object->QueryInterface(kIidIConfig, reinterpret_cast<void**>(&config)), S_OK);
  object->Release();
  ASSERT_EQ(WriteUsersFile({Group(u"Plant")}), FileFailure::kNone);
  std::optional<FaultInjector> faults;
  hl::Push([&faults](hl::Driver& d) {
    faults.emplace();
    faults->FailEvery(FileOp::kCreate);
    d.Click(IDC_EDIT_ZONES), d.Click(IDC_NEW), d.Ok();
  });
  hl::Push(hl::ExpectDialog(IDD_ZONES),
           [](hl::Driver& d) { d.ListDoubleClick(IDC_ZONE_LIST, 1), d.Ok(); });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u" Kept "), d.Ok(); });
  hl::Push(hl::PressOk());  // the zone names' failed save
  hl::Push([](hl::Driver& d) { d.Type(IDC_GROUP_NAME, u"Line"), d.Ok(); });
  hl::Push(hl::PressOk());  // the table's failed save
  EXPECT_EQ(config->ManageDoModal(nullptr), S_OK);
  config->Release();
  faults.reset();
  EXPECT_EQ(Messages(), (Texts{Text(IDS_SAVE_ZONES_FAILED)[0], Text(IDS_SAVE_USERS_FAILED)[0]}));
  EXPECT_EQ(ReadUsersFile().size(), 1u);
  EXPECT_EQ(ApplicationStore().accounts.records().back(), GroupRecord(u"Line"));
  EXPECT_EQ(ApplicationStore().zones[1], u" Kept ");
}

// Zone 3 (Z3) renamed through Modify, then Cancel: how a refusal is shown (the
// rules have a table of their own); a refused name is dropped.
TEST_F(DialogsTest, ZoneRenameRefusalsAreShownAndDropTheRename) {
  NameZones();
  const std::u16string x31(31, u'x');
  const struct {
    bool box;  // an exclamation box under the default caption, not a prompt
    std::u16string typed, message, list;  // message: none when accepted
  } rows[] = {
      {false, u"A-1", ResourceString(IDS_ZONE_NAME_ILLEGAL) + u"-1", u"Z3"},  // illegal part
      {true, u"   ", ResourceString(IDS_ZONE_NAME_EMPTY), u"Z3"},
      {false, u" Clean ", u"", u" Clean "},
      {false, x31 + u"yz", u"", x31}};  // typing stops at 31
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.typed));
    std::u16string list;
    hl::Push(hl::ExpectDialog(IDD_ZONES), [&list](hl::Driver& d) {
      d.ListClick(IDC_ZONE_LIST, 3), d.Click(IDC_MODIFY);
      list = d.ListText(IDC_ZONE_LIST, 3), d.Cancel();
    });
    hl::Push(hl::ExpectDialog(IDD_RENAME_ZONE),
             [&row](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, row.typed), d.Ok(); });
    if (!row.message.empty()) {
      hl::Push([&row](hl::Driver& d) {
        EXPECT_EQ(d.IsMessageBox() ? d.shown().flags : 0u,
                  row.box ? ui::kMbOk | ui::kMbIconExclamation : 0u);
        EXPECT_EQ(d.shown().caption, row.box ? ui::DefaultCaption() : u"提示");
        hl::PressOk()(d);
      });
    }
    EXPECT_EQ(RunZones(ui::kIdCancel), row.message.empty() ? Texts{} : Texts{row.message});
    hl::Reset();
    EXPECT_EQ(ToUtf8(list), ToUtf8(row.list));
    EXPECT_EQ(ApplicationStore().zones[3], u"Z3");  // Cancel keeps the store
  }
}

// Modify follows the selection and offers the name of the last click, even
// after a rename; a double-click renames, one on empty space does nothing.
// OK takes the list's names into the store and saves them.
TEST_F(DialogsTest, ZonesRenamedThroughModifyAndDoubleClickThenOk) {
  NameZones();
  hl::Push(hl::ExpectDialog(IDD_ZONES), [](hl::Driver& d) {
    EXPECT_TRUE(d.ListExStyle(IDC_ZONE_LIST) == 0 &&  // no check boxes to tick
                !d.Refusing().ListTick(IDC_ZONE_LIST, 1, true));
    EXPECT_FALSE(d.Refusing().Click(IDC_MODIFY));  // disabled until a click
    d.ListClick(IDC_ZONE_LIST, 5);
    EXPECT_TRUE(d.IsEnabled(IDC_MODIFY));
    d.ListClick(IDC_ZONE_LIST, -1);
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    d.ListDoubleClick(IDC_ZONE_LIST, 70);
    d.ListDoubleClick(IDC_ZONE_LIST, 0);  // the no-zone entry renames like any
    d.Click(IDC_MODIFY), d.ListDoubleClick(IDC_ZONE_LIST, 2), d.Ok();
  });
  hl::Push(hl::ExpectDialog(IDD_RENAME_ZONE), [](hl::Driver& d) {
    EXPECT_EQ(d.Focused(), IDC_NEW_ZONE_NAME);
    EXPECT_EQ(d.Selection(IDC_NEW_ZONE_NAME), (std::pair<std::size_t, std::size_t>{0, 1}));
    d.Type(IDC_NEW_ZONE_NAME, u"Nothing"), d.Ok();
  });
  hl::Push(hl::ExpectDialog(IDD_RENAME_ZONE), [](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_NEW_ZONE_NAME), u"无");
    d.Type(IDC_NEW_ZONE_NAME, u"Again"), d.Ok();
  });
  hl::Push(hl::ExpectDialog(IDD_RENAME_ZONE),
           [](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"Two"), d.Cancel(); });
  EXPECT_EQ(RunZones(ui::kIdOk), Texts{});
  const ZoneNames& names = ApplicationStore().zones;
  EXPECT_EQ(names[0] + names[2] + names[5], u"AgainZ2Z5");
  ZoneNames reread;
  DataFile file = ZonesFileIn();
  ASSERT_EQ(LoadZoneFile(reread, file), FileFailure::kNone);
  EXPECT_EQ(reread, names);
}

}  // namespace
}  // namespace warden::testing

// The dialog framework on the headless backend, over the module's own
// templates, and the checks a headless script makes of itself.
namespace warden::ui {
namespace {

namespace hl = headless;
using platform::FormatText;
using platform::ResourceString;
using platform::ToUtf8;

// A dialog over a module template; each test gives what it exchanges.
class TestDialog : public Dialog {
 public:
  explicit TestDialog(std::uint16_t id) : Dialog(id, nullptr) {}
  std::function<void(DataExchange&)> exchange = [](DataExchange&) {};

 protected:
  void DoDataExchange(DataExchange& data) override { exchange(data); }
};

using UiHeadlessTest = testing::DialogsTest;

// A preset text over its limit is shown whole but refused on OK with the
// standard message and selected; typing stops at the limit, and in a
// digits-only edit skips other keys.
TEST_F(UiHeadlessTest, OverlongTextIsRefusedWithTheStandardMessage) {
  TestDialog dialog(IDD_USER_EDITOR);
  std::u16string name = u"toolong", timeout;
  ListView list;
  dialog.exchange = [&](DataExchange& data) {
    data.Bind(IDC_ZONE_LIST, list);
    data.Text(IDC_USER_NAME, name, 5);
    data.Text(IDC_LOGIN_TIMEOUT, timeout, 3);
  };
  hl::Push(hl::ExpectDialog(IDD_USER_EDITOR), [&list](hl::Driver& d) {
    // A list starts without columns; one below 0 is refused, one past the end appended.
    EXPECT_EQ(list.HasColumn(0) + list.InsertColumn(-1, u"", 0, 0) +
                  list.InsertColumn(0, u"", 0, 0) + list.InsertColumn(9, u"", 0, 0),
              0);
    EXPECT_TRUE(list.HasColumn(1) && !list.HasColumn(2));
    d.Ok();
    EXPECT_EQ(d.Focused(), IDC_USER_NAME);
    EXPECT_EQ(d.Selection(IDC_USER_NAME), (std::pair<std::size_t, std::size_t>{0, 7}));
    d.Type(IDC_USER_NAME, u"abcdefgh"), d.Type(IDC_LOGIN_TIMEOUT, u"1a2-3 4"), d.Ok();
  });
  hl::Push(hl::ExpectMessage(IDS_TEXT_TOO_LONG), [](hl::Driver& d) {
    EXPECT_EQ(d.shown().text, FormatText(ResourceString(IDS_TEXT_TOO_LONG), u"5"));
    EXPECT_EQ(d.shown().flags, kMbOk | kMbIconExclamation);
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(name + timeout, u"abcde123");
}

// A step that finds another modal than it names fails at its own line and
// closes that modal; so does an action an operator could not do.
TEST_F(UiHeadlessTest, StepsNameTheirModalAndActionsMustAct) {
  std::vector<std::pair<int, std::string>> failures;
  hl::SetFailureReporter([&failures](const char*, int line, const std::string& message) {
    failures.emplace_back(line, message);
  });
  TestDialog dialog(IDD_RENAME_ZONE);
  std::u16string name = ResourceString(IDS_ZONE_NAME_EMPTY);
  dialog.exchange = [&name](DataExchange& data) { data.Text(IDC_NEW_ZONE_NAME, name, 99); };
  const int line = __LINE__ + 1;
  hl::Push(hl::ExpectDialog(IDD_ZONES), hl::PressOk());
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  hl::Push(hl::ExpectDialogText(IDD_RENAME_ZONE, IDS_ZONE_NAME_EMPTY), [](hl::Driver& d) {
    EXPECT_FALSE(d.Click(IDC_MODIFY));  // no such control
    EXPECT_FALSE(d.Refusing().ListClick(IDC_NEW_ZONE_NAME, 0));
    EXPECT_TRUE(d.Refusing().Cancel());
  });
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  hl::Push(hl::ExpectDialogText(IDD_RENAME_ZONE, IDS_ZONE_NAME_REPEATED), hl::PressOk());
  EXPECT_EQ(dialog.DoModal(), kIdCancel);
  hl::Push(hl::ExpectMessage(IDS_ZONE_NAME_EMPTY), hl::AnswerWith(kIdNo));
  EXPECT_EQ(ShowMessageBox(nullptr, u"x", kMbYesNo), kIdYes);
  hl::Push(hl::ExpectMessage(IDS_CONFIRM_DELETE), hl::AnswerWith(kIdNo));  // up to the "%s"
  const std::u16string confirm = FormatText(ResourceString(IDS_CONFIRM_DELETE), u"a");
  EXPECT_EQ(ShowMessageBox(nullptr, confirm, kMbYesNo), kIdNo);
  const int plain_step = __LINE__ + 1;
  hl::Push([](hl::Driver& d) { d.Type(IDC_PROMPT_TEXT, u"x"), d.Ok(); });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(ShowMessageBox(nullptr, u"no step", kMbYesNo), kIdYes);  // unanswered: first button
  EXPECT_EQ(hl::Unanswered(), 1);
  hl::Reset();
  const std::vector<std::pair<int, std::string>> expected = {
      {line, "expected dialog 207, but dialog 210 opened"},
      {line + 2, "could not click control 228"},
      {line + 2, "could click control 2, expected to be refused"},
      {line + 8, "expected dialog 210 with text 125, but dialog 210 opened"},
      {line + 10, "expected message box with text 124, but a message box \"x\" opened"},
      {plain_step, "could not type into control 239"}};
  EXPECT_EQ(failures, expected);
}

}  // namespace
}  // namespace warden::ui
