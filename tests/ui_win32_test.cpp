// The win32 dialog backend on real windows: a dialog opens from a module
// template, the probe runs in OnInitDialog and the dialog closes itself.
// Typing, limits and data exchange are driven end to end through COM by
// tests/wine/com_manage_dialog_test.cpp; the tree's selection rules run on
// both backends in tests/resources_test.cpp.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "dialogs/zone_check_list.h"
#include "resources/resource_ids.h"
#include "tests/support/probe_dialog.h"
#include "ui/ui.h"

namespace warden::ui {
namespace {

using testing::ProbeDialog;

HWND Item(const Dialog& dialog, int id) {
  return GetDlgItem(static_cast<HWND>(dialog.Handle()), id);
}

TEST(UiWin32Test, ZoneListOnARealListView) {
  ZoneNames names;
  for (auto& name : names) name = u"zone";
  names[2] = std::u16string(200, u'长');  // longer than the first read buffer
  ZoneFlags flags{0, 0, 0, 0, 1, 2};      // any value but 1 is unticked
  ProbeDialog dialog(IDD_ZONES, [&](ProbeDialog& d) {
    ZoneCheckList list(names);
    list.Attach(&d, IDC_ZONE_LIST);
    list.FillZones(true);
    EXPECT_EQ(list.ItemCount(), kZoneCount);
    EXPECT_EQ(list.ItemText(2), names[2]);
    list.SetZoneChecks(flags);
    flags.fill(9);
    list.GetZoneChecks(flags);
    EXPECT_EQ(flags, (ZoneFlags{0, 0, 0, 0, 1}));
    list.FillZones(false);
    EXPECT_EQ(list.ExtendedStyle(), 0u);
    EXPECT_FALSE(list.HasColumn(1));  // filling again adds no second column
    const auto style =
        static_cast<std::uint32_t>(GetWindowLongPtrW(Item(d, IDC_ZONE_LIST), GWL_STYLE));
    EXPECT_EQ(style & (LVS_TYPEMASK | LVS_NOCOLUMNHEADER | LVS_SINGLESEL),
              static_cast<std::uint32_t>(LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL));
    EXPECT_FALSE(IsWindowEnabled(Item(d, IDC_MODIFY)));
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
}

}  // namespace
}  // namespace warden::ui
