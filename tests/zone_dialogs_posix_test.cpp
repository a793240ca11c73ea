// The zone list, the prompt and the zone dialogs on the headless backend.
#include <gtest/gtest.h>

#include <filesystem>

#include "accounts/user_store.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui_headless.h"
#include "resources/resource_ids.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"
#include "zones/prompt_dialog.h"
#include "zones/section_dialog.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

namespace hl = platform::headless;
using platform::ResourceString;
using platform::ToUtf8;

std::u16string ZoneName(int zone) {
  if (zone == 0) return u"无";
  if (zone <= 26) return std::u16string(1, static_cast<char16_t>(u'A' + zone - 1));
  return u"Zone" + platform::ToDecimal(zone);
}

class ZoneDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    hl::Reset();
    profile_.SetInstallDirectory(dir_.core() + u"\\");
    CUser& store = ApplicationStore();
    for (int zone = 0; zone < kZoneCount; ++zone) store.m_strSection[zone] = ZoneName(zone);
    store.m_bSectionBackupDue = false;
  }
  void TearDown() override {
    EXPECT_EQ(hl::Unanswered(), 0);
    EXPECT_EQ(hl::PendingSteps(), 0u);
    hl::Reset();
    ApplicationStore().ReleaseTable();
  }
  bool SectionFileExists() const { return std::filesystem::exists(dir_ / "section.dat"); }

  // The prompt texts and message-box texts shown, in order.
  static std::vector<std::string> Messages() {
    std::vector<std::string> shown;
    for (const hl::Shown& modal : hl::Record()) {
      if (modal.message_box) shown.push_back("box:" + ToUtf8(modal.text));
      if (modal.template_id == IDD_PROMPT) shown.push_back("prompt:" + ToUtf8(modal.TextOf(IDC_PROMPT_TEXT)));
    }
    return shown;
  }

  testing::TempDir dir_;
  testing::WindowsProfile profile_;
};

std::string Prompt(std::uint16_t id, const std::u16string& tail = u"") {
  return "prompt:" + ToUtf8(ResourceString(id) + tail);
}

// Renames zone 3 to `typed` through Modify; returns the list text of zone 3
// afterwards. `messages` is the number of prompts or boxes expected.
std::u16string RenameZone3(const std::u16string& typed, int messages) {
  std::u16string result;
  hl::Push([&result](hl::Driver& d) {
    d.ListClick(IDC_ZONE_LIST, 3);
    EXPECT_TRUE(d.Click(IDC_MODIFY));
    result = d.ListText(IDC_ZONE_LIST, 3);
    d.Cancel();
  });
  hl::Push([typed](hl::Driver& d) {
    d.Type(IDC_NEW_ZONE_NAME, typed);
    d.Ok();
  });
  for (int i = 0; i < messages; ++i) hl::Push(hl::PressOk());
  CSectionDialog dialog(nullptr);
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  return result;
}

TEST_F(ZoneDialogsTest, RenameRulesInOrderWithTheirMessages) {
  const std::u16string thirty_one(31, u'x');
  struct Case {
    const char* label;
    std::u16string typed;
    std::vector<std::string> messages;  // empty: accepted
    std::u16string stored;              // list text when accepted
  };
  const std::vector<Case> cases = {
      {"illegal part appended", u"A-1", {Prompt(IDS_ZONE_NAME_ILLEGAL, u"-1")}, {}},
      {"interior space, clean first word", u"Zone 1", {Prompt(IDS_ZONE_NAME_ILLEGAL)}, {}},
      {"interior space, illegal second word", u"Zone A-1", {Prompt(IDS_ZONE_NAME_ILLEGAL)}, {}},
      {"illegal first word and a second word", u"A-1 B", {Prompt(IDS_ZONE_NAME_ILLEGAL, u"-1")}, {}},
      {"only spaces", u"   ", {"box:" + ToUtf8(ResourceString(IDS_ZONE_NAME_EMPTY))}, {}},
      {"empty", u"", {Prompt(IDS_ZONE_NAME_EMPTY)}, {}},
      {"other zone's name in other case", u"g", {Prompt(IDS_ZONE_NAME_REPEATED)}, {}},
      {"duplicate with blanks is not a duplicate", u" G", {}, u" G"},
      {"own name in other case", u"c", {}, u"c"},
      {"surrounding blanks kept", u" Clean ", {}, u" Clean "},
      {"underscore colon question mark brackets", u"a_b:c?[d]", {}, u"a_b:c?[d]"},
      {"tab is no separator", u"tab\tname", {}, u"tab\tname"},
      {"chinese", u"中央控制室", {}, u"中央控制室"},
      {"31 characters", thirty_one, {}, thirty_one},
      {"typing stops at 31", thirty_one + u"yz", {}, thirty_one},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    hl::Reset();
    const std::u16string shown = RenameZone3(c.typed, static_cast<int>(c.messages.size()));
    EXPECT_EQ(Messages(), c.messages);
    EXPECT_EQ(ToUtf8(shown), ToUtf8(c.messages.empty() ? c.stored : u"C"));
    EXPECT_EQ(hl::Unanswered(), 0);
  }
}

// Every illegal character is found, with the rest of the first word appended.
TEST_F(ZoneDialogsTest, EachIllegalCharacterIsRefused) {
  const std::u16string illegal = kIllegalZoneNameChars;
  ASSERT_EQ(illegal.size(), 22u);
  for (char16_t c : illegal) {
    SCOPED_TRACE(ToUtf8(std::u16string(1, c)));
    hl::Reset();
    const std::u16string tail = std::u16string(1, c) + u"z9";
    RenameZone3(u"ab" + tail, 1);
    EXPECT_EQ(Messages(), std::vector<std::string>{Prompt(IDS_ZONE_NAME_ILLEGAL, tail)});
  }
}

TEST_F(ZoneDialogsTest, CheckSectionNameTestsLengthFirst) {
  CSectionDialog dialog(nullptr);
  EXPECT_TRUE(dialog.CheckSectionName(std::u16string(32, u'k')));
  hl::Push(hl::PressOk());
  EXPECT_FALSE(dialog.CheckSectionName(std::u16string(33, u'k')));
  hl::Push(hl::PressOk());
  EXPECT_FALSE(dialog.CheckSectionName(std::u16string(33, u' ')));  // not the blank message
  hl::Push(hl::PressOk());
  EXPECT_FALSE(dialog.CheckSectionName(std::u16string(33, u'-')));
  const std::string too_long = Prompt(IDS_ZONE_NAME_TOO_LONG);
  EXPECT_EQ(Messages(), (std::vector<std::string>{too_long, too_long, too_long}));
}

TEST_F(ZoneDialogsTest, BlankNameBoxUsesExclamationAndDefaultCaption) {
  RenameZone3(u" ", 1);
  ASSERT_EQ(hl::Record().size(), 3u);
  const hl::Shown& box = hl::Record()[2];
  EXPECT_TRUE(box.message_box);
  EXPECT_EQ(box.flags, platform::kMbOk | platform::kMbIconExclamation);
  EXPECT_EQ(ToUtf8(box.caption), ToUtf8(platform::DefaultCaption()));
  EXPECT_FALSE(box.caption.empty());
}

TEST_F(ZoneDialogsTest, ModifyFollowsClicksAndDoubleClicksRename) {
  hl::Push([](hl::Driver& d) {
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    EXPECT_EQ(d.ListCount(IDC_ZONE_LIST), kZoneCount);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 0), u"无");
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 63), u"Zone63");
    EXPECT_EQ(d.ListExStyle(IDC_ZONE_LIST), 0u);
    const std::uint32_t style = d.Style(IDC_ZONE_LIST);
    EXPECT_EQ(style & (platform::ListView::kTypeMask | platform::ListView::kNoColumnHeader |
                       platform::ListView::kSingleSel),
              platform::ListView::kReport | platform::ListView::kNoColumnHeader |
                  platform::ListView::kSingleSel);
    EXPECT_TRUE(d.ListClick(IDC_ZONE_LIST, 5));
    EXPECT_TRUE(d.IsEnabled(IDC_MODIFY));
    EXPECT_TRUE(d.ListClick(IDC_ZONE_LIST, -1));
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    // A double-click on empty space opens nothing.
    EXPECT_TRUE(d.ListDoubleClick(IDC_ZONE_LIST, 70));
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    EXPECT_TRUE(d.ListDoubleClick(IDC_ZONE_LIST, 0));  // the no-zone entry renames like any
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 0), u"Nothing");
    d.Cancel();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.shown().template_id, IDD_RENAME_ZONE);
    EXPECT_EQ(d.Text(IDC_NEW_ZONE_NAME), u"无");
    EXPECT_EQ(d.Focused(), IDC_NEW_ZONE_NAME);
    EXPECT_EQ(d.Selection(IDC_NEW_ZONE_NAME), (std::pair<std::size_t, std::size_t>{0, 1}));
    d.Type(IDC_NEW_ZONE_NAME, u"Nothing");
    d.Ok();
  });
  CSectionDialog dialog(nullptr);
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
}

// The name offered by Modify is the one of the last click, even after a rename.
TEST_F(ZoneDialogsTest, SecondModifyWithoutClickOffersTheClickedName) {
  hl::Push([](hl::Driver& d) {
    d.ListClick(IDC_ZONE_LIST, 2);
    d.Click(IDC_MODIFY);
    d.Click(IDC_MODIFY);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 2), u"Second");
    d.Cancel();
  });
  hl::Push([](hl::Driver& d) {
    d.Type(IDC_NEW_ZONE_NAME, u"First");
    d.Ok();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_NEW_ZONE_NAME), u"B");
    d.Type(IDC_NEW_ZONE_NAME, u"Second");
    d.Ok();
  });
  CSectionDialog dialog(nullptr);
  dialog.DoModal();
}

TEST_F(ZoneDialogsTest, CancelAfterRenamesLeavesStoreAndFileUntouched) {
  ASSERT_EQ(SaveSectionFile(ApplicationStore()), 0);
  const auto file_before = testing::ReadBytes(dir_ / "section.dat");
  const auto before = ApplicationStore().m_strSection;
  hl::Push([](hl::Driver& d) {
    d.ListDoubleClick(IDC_ZONE_LIST, 1);
    d.ListDoubleClick(IDC_ZONE_LIST, 2);
    d.Cancel();
  });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"One"), d.Ok(); });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"Two"), d.Ok(); });
  CSectionDialog dialog(nullptr);
  EXPECT_EQ(dialog.DoModal(), platform::kIdCancel);
  EXPECT_EQ(ApplicationStore().m_strSection, before);
  EXPECT_EQ(testing::ReadBytes(dir_ / "section.dat"), file_before);
  EXPECT_FALSE(std::filesystem::exists(dir_ / "section.111"));
}

TEST_F(ZoneDialogsTest, RenameDialogCancelChangesNothing) {
  hl::Push([](hl::Driver& d) {
    d.ListDoubleClick(IDC_ZONE_LIST, 4);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 4), u"D");
    d.Cancel();
  });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"Other"), d.Cancel(); });
  CSectionDialog dialog(nullptr);
  dialog.DoModal();
}

TEST_F(ZoneDialogsTest, OkWritesEveryNameToStoreAndFile) {
  hl::Push([](hl::Driver& d) {
    d.ListDoubleClick(IDC_ZONE_LIST, 9);
    d.Ok();
  });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u" Boiler_house "), d.Ok(); });
  CSectionDialog dialog(nullptr);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_EQ(ApplicationStore().m_strSection[9], u" Boiler_house ");
  ASSERT_TRUE(SectionFileExists());
  CUser reread;
  ASSERT_EQ(LoadSectionFile(reread, nullptr), 0);
  EXPECT_EQ(reread.m_strSection, ApplicationStore().m_strSection);
}

TEST_F(ZoneDialogsTest, OkWithoutRenamesStillRewritesTheFile) {
  ASSERT_EQ(SaveSectionFile(ApplicationStore()), 0);
  ASSERT_EQ(LoadSectionFile(ApplicationStore(), nullptr), 0);  // due for a backup now
  std::filesystem::remove(dir_ / "section.dat");
  ASSERT_EQ(SaveSectionFile(ApplicationStore()), 0);
  ASSERT_FALSE(std::filesystem::exists(dir_ / "section.bak"));
  hl::Push(hl::PressOk());
  CSectionDialog dialog(nullptr);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "section.bak"));
  EXPECT_TRUE(SectionFileExists());
}

TEST_F(ZoneDialogsTest, SaveFailureIsShownAndTheDialogStillCloses) {
  profile_.SetInstallDirectory(dir_.core("missing") + u"\\");
  hl::Push([](hl::Driver& d) {
    d.ListDoubleClick(IDC_ZONE_LIST, 1);
    d.Ok();
  });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"Kept"), d.Ok(); });
  hl::Push(hl::PressOk());
  CSectionDialog dialog(nullptr);
  EXPECT_EQ(dialog.DoModal(), platform::kIdOk);
  EXPECT_EQ(Messages(), std::vector<std::string>{Prompt(IDS_SAVE_ZONES_FAILED)});
  EXPECT_EQ(ApplicationStore().m_strSection[1], u"Kept");
}

// A dialog holding only the zone list with check boxes, as the editor uses it.
class CheckListDialog : public platform::Dialog {
 public:
  CheckListDialog() : Dialog(IDD_ZONES, nullptr) {}
  CDrivePickerListCtrl list;
  std::function<void(CDrivePickerListCtrl&)> on_init;

 protected:
  void DoDataExchange(platform::DataExchange& exchange) override {
    exchange.Bind(IDC_ZONE_LIST, list);
  }
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    on_init(list);
    return true;
  }
};

TEST_F(ZoneDialogsTest, TicksMapToFlagsAndOnlyOneCounts) {
  AccountRecord record;
  record.type = kTypeGroup;
  record.groupname = u"g";
  record.sectionid[1] = 1;
  record.sectionid[5] = 2;  // any value but 1 is unticked
  record.sectionid[63] = 1;
  ApplicationStore().m_pUser.emplace(std::vector<AccountRecord>{AccountRecord{}, record});
  ZoneFlags read{};
  read.fill(7);
  CheckListDialog dialog;
  dialog.on_init = [&read](CDrivePickerListCtrl& list) {
    list.FillZones(true);
    list.SetZoneChecks(1);
    list.SetZoneChecks(2);   // outside the table: nothing happens
    list.SetZoneChecks(-1);
    list.GetZoneChecks(read);
  };
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.ListExStyle(IDC_ZONE_LIST), platform::ListView::kExCheckBoxes);
    EXPECT_TRUE(d.ListChecked(IDC_ZONE_LIST, 1));
    EXPECT_FALSE(d.ListChecked(IDC_ZONE_LIST, 5));
    d.Cancel();
  });
  dialog.DoModal();
  ZoneFlags expected{};
  expected[1] = 1;
  expected[63] = 1;
  EXPECT_EQ(read, expected);
}

// Filling again rebuilds the items: ticks are lost, and without check boxes
// the extended style is cleared whole.
TEST_F(ZoneDialogsTest, FillAgainRebuildsAndEmptyNamesStillGiveItems) {
  for (auto& name : ApplicationStore().m_strSection) name.clear();
  ApplicationStore().m_strSection[7] = u"Same";
  ApplicationStore().m_strSection[8] = u"Same";
  CheckListDialog dialog;
  int count_after_refill = 0;
  bool tick_survived = true;
  dialog.on_init = [&](CDrivePickerListCtrl& list) {
    list.FillZones(true);
    list.SetChecked(8, true);
    list.FillZones(true);
    tick_survived = list.IsChecked(8);
    list.FillZones(false);
    count_after_refill = list.ItemCount();
  };
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.ListExStyle(IDC_ZONE_LIST), 0u);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 0), u"");
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 7), u"Same");
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 8), u"Same");
    d.Cancel();
  });
  dialog.DoModal();
  EXPECT_EQ(count_after_refill, kZoneCount);
  EXPECT_FALSE(tick_survived);
}

TEST_F(ZoneDialogsTest, PromptShowsItsTextReadOnlyAndClosesOnOk) {
  const std::u16string long_text(128, u'长');
  hl::Push([&long_text](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_PROMPT_TEXT), long_text);
    EXPECT_FALSE(d.Type(IDC_PROMPT_TEXT, u"edit"));
    EXPECT_NE(d.Style(IDC_PROMPT_TEXT) & platform::style::kEditReadOnly, 0u);
    d.Ok();
    EXPECT_FALSE(d.IsOpen());
  });
  ShowPrompt(nullptr, long_text);
  ASSERT_EQ(hl::Record().size(), 1u);
  EXPECT_EQ(ToUtf8(hl::Record()[0].caption), "提示");
}

}  // namespace
}  // namespace warden
