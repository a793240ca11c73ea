// The zone list, the prompt and the zone dialogs on the headless backend.
#include <gtest/gtest.h>

#include <filesystem>

#include "accounts/user_store.h"
#include "dialogs/dialog_texts.h"
#include "dialogs/prompt_dialog.h"
#include "dialogs/section_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/ui_headless.h"
#include "resources/resource_ids.h"
#include "tests/support/dialog_script.h"
#include "tests/support/install_dir.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

namespace hl = platform::headless;
using platform::ResourceString;
using platform::ToUtf8;
using Messages = std::vector<std::string>;

class ZoneDialogsTest : public testing::DialogScriptTest {
 protected:
  void SetUp() override {
    DialogScriptTest::SetUp();
    profile_.SetInstallDirectory(dir_.core() + u"\\");
    CUser& store = ApplicationStore();
    store.m_strSection[0] = u"无";
    for (int zone = 1; zone < kZoneCount; ++zone) {
      store.m_strSection[zone] =
          zone <= 26 ? std::u16string(1, u'A' + zone - 1) : u"Zone" + platform::ToDecimal(zone);
    }
    store.m_bSectionBackupDue = false;
  }

  testing::TempDir dir_;
  testing::WindowsProfile profile_;
};

// The prompts and message boxes shown, in order.
Messages Shown() {
  Messages shown;
  for (const hl::Shown& modal : hl::Record()) {
    if (modal.message_box) {
      shown.push_back("box " + std::to_string(modal.flags) + " " + ToUtf8(modal.caption) + ": " +
                      ToUtf8(modal.text));
    }
    if (modal.template_id == IDD_PROMPT) shown.push_back(ToUtf8(modal.TextOf(IDC_PROMPT_TEXT)));
  }
  return shown;
}

std::string Prompt(std::uint16_t id, const std::u16string& tail = u"") {
  return ToUtf8(ResourceString(id) + tail);
}

// Runs the zone dialog, renaming zone 3 to `typed` through Modify and
// answering `messages` prompts; returns the list text of zone 3 afterwards.
std::u16string RenameZone3(const std::u16string& typed, std::size_t messages) {
  std::u16string result;
  hl::Push([&result](hl::Driver& d) {
    d.ListClick(IDC_ZONE_LIST, 3);
    EXPECT_TRUE(d.Click(IDC_MODIFY));
    result = d.ListText(IDC_ZONE_LIST, 3);
    d.Cancel();
  });
  hl::Push([typed](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, typed), d.Ok(); });
  for (std::size_t i = 0; i < messages; ++i) hl::Push(hl::PressOk());
  EXPECT_EQ(CSectionDialog(nullptr, ApplicationStore(), testing::InstallLocation()).DoModal(),
            platform::kIdCancel);
  return result;
}

// How each kind of refusal is shown; the rules themselves are tested as a table.
TEST_F(ZoneDialogsTest, RenameRefusalsAreShownAndDropTheRename) {
  const std::u16string thirty_one(31, u'x');
  // Exclamation (48) under the default caption.
  const std::string blank_box =
      "box 48 " + ToUtf8(platform::DefaultCaption()) + ": " + Prompt(IDS_ZONE_NAME_EMPTY);
  struct Case {
    std::string label;
    std::u16string typed;
    Messages messages;    // empty: accepted
    std::u16string list;  // list text when accepted
  };
  const std::vector<Case> cases = {
      {"illegal part appended", u"A-1", {Prompt(IDS_ZONE_NAME_ILLEGAL, u"-1")}, {}},
      {"only spaces: the standard box", u"   ", {blank_box}, {}},
      {"empty", u"", {Prompt(IDS_ZONE_NAME_EMPTY)}, {}},
      {"other zone's name in other case", u"g", {Prompt(IDS_ZONE_NAME_REPEATED)}, {}},
      {"surrounding blanks kept", u" Clean ", {}, u" Clean "},
      {"typing stops at 31", thirty_one + u"yz", {}, thirty_one},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    hl::Reset();
    const std::u16string list = RenameZone3(c.typed, c.messages.size());
    EXPECT_EQ(Shown(), c.messages);
    EXPECT_EQ(ToUtf8(list), ToUtf8(c.messages.empty() ? c.list : u"C"));
  }
}

// Only a preset can be longer than the edit lets anyone type.
TEST_F(ZoneDialogsTest, CheckSectionNameShowsTheLengthPrompt) {
  CSectionDialog dialog(nullptr, ApplicationStore(), testing::InstallLocation());
  EXPECT_TRUE(dialog.CheckSectionName(std::u16string(32, u'k')));
  hl::Push(hl::PressOk());
  EXPECT_FALSE(dialog.CheckSectionName(std::u16string(33, u' ')));
  EXPECT_EQ(Shown(), (Messages{Prompt(IDS_ZONE_NAME_TOO_LONG)}));
}

// Modify follows the selection and offers the name of the last click, even
// after a rename; a double-click renames, one on empty space does nothing.
// Cancel then leaves store and file as they were.
TEST_F(ZoneDialogsTest, RenamesThroughModifyAndDoubleClickThenCancel) {
  ASSERT_EQ(SaveSectionFile(ApplicationStore(), testing::InstallLocation()), 0);
  const auto file_before = testing::ReadBytes(dir_ / "section.dat");
  const auto before = ApplicationStore().m_strSection;
  hl::Push([](hl::Driver& d) {
    EXPECT_FALSE(d.Refusing().Click(IDC_MODIFY));  // disabled until a click
    EXPECT_TRUE(d.ListClick(IDC_ZONE_LIST, 5));
    EXPECT_TRUE(d.IsEnabled(IDC_MODIFY));
    EXPECT_TRUE(d.ListClick(IDC_ZONE_LIST, -1));
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    EXPECT_TRUE(d.ListDoubleClick(IDC_ZONE_LIST, 70));
    EXPECT_TRUE(d.ListDoubleClick(IDC_ZONE_LIST, 0));  // the no-zone entry renames like any
    EXPECT_TRUE(d.Click(IDC_MODIFY));
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 0), u"Again");
    d.ListDoubleClick(IDC_ZONE_LIST, 2);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 2), u"B");  // the rename dialog was cancelled
    d.Cancel();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.shown().template_id, IDD_RENAME_ZONE);
    EXPECT_EQ(d.Focused(), IDC_NEW_ZONE_NAME);
    EXPECT_EQ(d.Selection(IDC_NEW_ZONE_NAME), (std::pair<std::size_t, std::size_t>{0, 1}));
    d.Type(IDC_NEW_ZONE_NAME, u"Nothing");
    d.Ok();
  });
  hl::Push([](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_NEW_ZONE_NAME), u"无");
    d.Type(IDC_NEW_ZONE_NAME, u"Again");
    d.Ok();
  });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u"Two"), d.Cancel(); });
  EXPECT_EQ(CSectionDialog(nullptr, ApplicationStore(), testing::InstallLocation()).DoModal(),
            platform::kIdCancel);
  EXPECT_EQ(ApplicationStore().m_strSection, before);
  EXPECT_EQ(testing::ReadBytes(dir_ / "section.dat"), file_before);
}

TEST_F(ZoneDialogsTest, OkWithoutRenamesStillRewritesTheFile) {
  ASSERT_EQ(SaveSectionFile(ApplicationStore(), testing::InstallLocation()), 0);
  ASSERT_EQ(LoadSectionFile(ApplicationStore(), testing::InstallLocation()),
            0);  // due for a backup now
  std::filesystem::remove(dir_ / "section.dat");
  ASSERT_EQ(SaveSectionFile(ApplicationStore(), testing::InstallLocation()), 0);
  ASSERT_FALSE(std::filesystem::exists(dir_ / "section.bak"));
  hl::Push(hl::PressOk());
  EXPECT_EQ(CSectionDialog(nullptr, ApplicationStore(), testing::InstallLocation()).DoModal(),
            platform::kIdOk);
  EXPECT_TRUE(std::filesystem::exists(dir_ / "section.bak"));
  CUser reread;
  ASSERT_EQ(LoadSectionFile(reread, testing::InstallLocation()), 0);
  EXPECT_EQ(reread.m_strSection, ApplicationStore().m_strSection);
}

TEST_F(ZoneDialogsTest, SaveFailureIsShownAndTheDialogStillCloses) {
  profile_.SetInstallDirectory(dir_.core("missing") + u"\\");
  hl::Push([](hl::Driver& d) { d.ListDoubleClick(IDC_ZONE_LIST, 1), d.Ok(); });
  hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u" Kept "), d.Ok(); });
  hl::Push(hl::PressOk());
  EXPECT_EQ(CSectionDialog(nullptr, ApplicationStore(), testing::InstallLocation()).DoModal(),
            platform::kIdOk);
  EXPECT_EQ(Shown(), Messages{Prompt(IDS_SAVE_ZONES_FAILED)});
  EXPECT_EQ(ApplicationStore().m_strSection[1], u" Kept ");
}

// Only a 1 ticks; filling again rebuilds all 64 items, even for empty
// names, drops the ticks and, without check boxes, the extended style.
TEST_F(ZoneDialogsTest, TicksMapToFlagsAndRefillingRebuildsTheList) {
  for (auto& name : ApplicationStore().m_strSection) name.clear();
  ApplicationStore().m_strSection[7] = ApplicationStore().m_strSection[8] = u"Same";
  AccountRecord record;
  record.sectionid[1] = record.sectionid[63] = 1;
  record.sectionid[5] = 2;
  ApplicationStore().m_pUser.emplace(std::vector<AccountRecord>{AccountRecord{}, record});
  CSectionDialog dialog(nullptr, ApplicationStore(), testing::InstallLocation());
  hl::Push([&dialog](hl::Driver& d) {
    CDrivePickerListCtrl& list = dialog.m_listSection;
    list.FillZones(true);
    EXPECT_EQ(d.ListExStyle(IDC_ZONE_LIST), platform::ListView::kExCheckBoxes);
    list.SetZoneChecks(1);
    list.SetZoneChecks(2);  // outside the table: nothing happens
    list.SetZoneChecks(-1);
    ZoneFlags read{};
    read.fill(7);
    list.GetZoneChecks(read);
    ZoneFlags expected{};
    expected[1] = expected[63] = 1;
    EXPECT_EQ(read, expected);
    list.FillZones(true);
    EXPECT_FALSE(d.ListChecked(IDC_ZONE_LIST, 1));
    list.FillZones(false);
    EXPECT_EQ(d.ListExStyle(IDC_ZONE_LIST), 0u);
    EXPECT_EQ(d.ListCount(IDC_ZONE_LIST), kZoneCount);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 8), u"Same");
    d.Cancel();
  });
  dialog.DoModal();
}

TEST_F(ZoneDialogsTest, PromptShowsItsTextReadOnlyAndClosesOnOk) {
  const std::u16string long_text(128, u'长');
  hl::Push([&long_text](hl::Driver& d) {
    EXPECT_EQ(d.Text(IDC_PROMPT_TEXT), long_text);
    EXPECT_FALSE(d.Refusing().Type(IDC_PROMPT_TEXT, u"edit"));
    d.Ok();
    EXPECT_FALSE(d.IsOpen());
  });
  ShowPrompt(nullptr, long_text);
  ASSERT_EQ(hl::Record().size(), 1u);
  EXPECT_EQ(ToUtf8(hl::Record()[0].caption), "提示");
}

}  // namespace
}  // namespace warden
