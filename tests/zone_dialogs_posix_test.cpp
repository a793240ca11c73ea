// The zone list, the prompt and the zone dialogs on the headless backend.
#include <gtest/gtest.h>

#include "accounts/user_store.h"
#include "dialogs/prompt_dialog.h"
#include "dialogs/section_dialog.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tests/support/dialog_script.h"
#include "tests/support/install_dir.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"
#include "zones/zone_file.h"

namespace warden {
namespace {

namespace hl = platform::headless;
using platform::ToUtf8;
using Messages = std::vector<std::string>;

// Zone names 无, A to Z, Zone27 to Zone63.
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
  }
  static std::intptr_t RunZones() {
    return CSectionDialog(nullptr, ApplicationStore(), testing::InstallLocation()).DoModal();
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
  return ToUtf8(platform::ResourceString(id) + tail);
}

// Zone 3 (C) renamed through Modify: how each kind of refusal is shown (the
// rules have a table of their own); a refused name is dropped.
TEST_F(ZoneDialogsTest, RenameRefusalsAreShownAndDropTheRename) {
  const std::u16string x31(31, u'x');
  const std::string blank_box =  // exclamation (48) under the default caption
      "box 48 " + ToUtf8(platform::DefaultCaption()) + ": " + Prompt(IDS_ZONE_NAME_EMPTY);
  const struct {
    std::u16string typed;
    Messages messages;
    std::u16string list;
  } rows[] = {
      {u"A-1", {Prompt(IDS_ZONE_NAME_ILLEGAL, u"-1")}, u"C"},  // the illegal part appended
      {u"   ", {blank_box}, u"C"},
      {u"", {Prompt(IDS_ZONE_NAME_EMPTY)}, u"C"},
      {u"g", {Prompt(IDS_ZONE_NAME_REPEATED)}, u"C"},  // another zone's name in other case
      {u" Clean ", {}, u" Clean "},
      {x31 + u"yz", {}, x31},  // typing stops at 31
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(ToUtf8(row.typed));
    hl::Reset();
    std::u16string list;
    hl::Push(hl::ExpectDialog(IDD_ZONES), [&list](hl::Driver& d) {
      d.ListClick(IDC_ZONE_LIST, 3);
      d.Click(IDC_MODIFY);
      list = d.ListText(IDC_ZONE_LIST, 3);
      d.Cancel();
    });
    hl::Push(hl::ExpectDialog(IDD_RENAME_ZONE),
             [&row](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, row.typed), d.Ok(); });
    for (std::size_t i = 0; i < row.messages.size(); ++i) hl::Push(hl::PressOk());
    EXPECT_EQ(RunZones(), platform::kIdCancel);
    EXPECT_EQ(Shown(), row.messages);
    EXPECT_EQ(ToUtf8(list), ToUtf8(row.list));
  }
}

// Modify follows the selection and offers the name of the last click, even
// after a rename; a double-click renames, one on empty space does nothing.
// Cancel then leaves store and file as they were.
TEST_F(ZoneDialogsTest, RenamesThroughModifyAndDoubleClickThenCancel) {
  ASSERT_EQ(SaveSectionFile(ApplicationStore(), testing::InstallLocation()), 0);
  const auto file_before = testing::ReadBytes(dir_ / "section.dat");
  const auto before = ApplicationStore().m_strSection;
  hl::Push(hl::ExpectDialog(IDD_ZONES), [](hl::Driver& d) {
    EXPECT_FALSE(d.Refusing().Click(IDC_MODIFY));  // disabled until a click
    d.ListClick(IDC_ZONE_LIST, 5);
    EXPECT_TRUE(d.IsEnabled(IDC_MODIFY));
    d.ListClick(IDC_ZONE_LIST, -1);
    EXPECT_FALSE(d.IsEnabled(IDC_MODIFY));
    d.ListDoubleClick(IDC_ZONE_LIST, 70);
    d.ListDoubleClick(IDC_ZONE_LIST, 0);  // the no-zone entry renames like any
    d.Click(IDC_MODIFY);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 0), u"Again");
    d.ListDoubleClick(IDC_ZONE_LIST, 2);
    EXPECT_EQ(d.ListText(IDC_ZONE_LIST, 2), u"B");  // the rename dialog was cancelled
    d.Cancel();
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
  EXPECT_EQ(RunZones(), platform::kIdCancel);
  EXPECT_EQ(ApplicationStore().m_strSection, before);
  EXPECT_EQ(testing::ReadBytes(dir_ / "section.dat"), file_before);
}

// OK takes the list's names into the store and saves them; a failed save is
// shown and the dialog still closes.
TEST_F(ZoneDialogsTest, OkSavesTheNamesOrShowsTheFailure) {
  for (const bool fails : {false, true}) {
    SCOPED_TRACE(fails);
    hl::Reset();
    profile_.SetInstallDirectory(dir_.core(fails ? "missing\\" : "") + u"\\");
    hl::Push([](hl::Driver& d) { d.ListDoubleClick(IDC_ZONE_LIST, 1), d.Ok(); });
    hl::Push([](hl::Driver& d) { d.Type(IDC_NEW_ZONE_NAME, u" Kept "), d.Ok(); });
    if (fails) hl::Push(hl::ExpectDialogText(IDD_PROMPT, IDS_SAVE_ZONES_FAILED), hl::PressOk());
    EXPECT_EQ(RunZones(), platform::kIdOk);
    EXPECT_EQ(ApplicationStore().m_strSection[1], u" Kept ");
    CUser reread;
    EXPECT_EQ(LoadSectionFile(reread, testing::InstallLocation()) == kFileOk, !fails);
    if (!fails) EXPECT_EQ(reread.m_strSection, ApplicationStore().m_strSection);
  }
}

// Only a 1 ticks; filling again rebuilds all 64 items, even for empty
// names, drops the ticks and, without check boxes, the extended style.
TEST_F(ZoneDialogsTest, TicksMapToFlagsAndRefillingRebuildsTheList) {
  for (auto& name : ApplicationStore().m_strSection) name.clear();
  ApplicationStore().m_strSection[8] = u"Same";
  AccountRecord record;
  record.sectionid[1] = record.sectionid[63] = 1;
  record.sectionid[5] = 2;
  ApplicationStore().m_pUser.emplace(std::vector<AccountRecord>{AccountRecord{}, record});
  CSectionDialog dialog(nullptr, ApplicationStore(), testing::InstallLocation());
  hl::Push([&dialog](hl::Driver& d) {
    CDrivePickerListCtrl& list = dialog.m_listSection;
    list.FillZones(true);
    EXPECT_EQ(d.ListExStyle(IDC_ZONE_LIST), platform::ListView::kExCheckBoxes);
    for (std::int16_t index : {1, 2, -1}) list.SetZoneChecks(index);  // 2, -1: not in the table
    ZoneFlags read{}, expected{};
    read.fill(7);
    expected[1] = expected[63] = 1;
    list.GetZoneChecks(read);
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
  EXPECT_EQ(ToUtf8(hl::Record().at(0).caption), "提示");
}

}  // namespace
}  // namespace warden
