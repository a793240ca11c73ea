// The win32 dialog backend on real windows: a dialog opens from a module
// template, the probe runs in OnInitDialog and the dialog closes itself.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>

#include "accounts/user_store.h"
#include "platform/ui.h"
#include "resources/resource_ids.h"
#include "zones/drive_picker_list.h"

namespace warden::platform {
namespace {

class ProbeDialog : public Dialog {
 public:
  ProbeDialog(std::uint16_t id, std::function<void(ProbeDialog&)> probe)
      : Dialog(id, nullptr), probe_(std::move(probe)) {}
  std::u16string text = u"abc";
  HWND Item(int id) const { return GetDlgItem(static_cast<HWND>(Handle()), id); }

 protected:
  void DoDataExchange(DataExchange& exchange) override {
    exchange.Text(IDC_NEW_ZONE_NAME, text, 31);
  }
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    probe_(*this);
    EndDialog(kIdOk);
    return true;
  }

 private:
  std::function<void(ProbeDialog&)> probe_;
};

TEST(UiWin32Test, ZoneListOnARealListView) {
  CUser& store = ApplicationStore();
  for (int zone = 0; zone < kZoneCount; ++zone) store.m_strSection[zone] = u"z" + std::u16string(zone % 5, u'x');
  store.m_strSection[2] = std::u16string(200, u'长');  // longer than the first read buffer
  AccountRecord record;
  record.sectionid[4] = 1;
  record.sectionid[5] = 2;
  store.m_pUser.emplace(std::vector<AccountRecord>{record});
  bool ran = false;
  ProbeDialog dialog(IDD_ZONES, [&](ProbeDialog& d) {
    ran = true;
    CDrivePickerListCtrl list;
    list.Attach(&d, IDC_ZONE_LIST);
    list.FillZones(true);
    EXPECT_EQ(list.ItemCount(), kZoneCount);
    EXPECT_EQ(list.ItemText(2), store.m_strSection[2]);
    EXPECT_EQ(list.ItemText(63), store.m_strSection[63]);
    EXPECT_NE(list.ExtendedStyle() & ListView::kExCheckBoxes, 0u);
    list.SetZoneChecks(0);
    ZoneFlags flags{};
    flags.fill(9);
    list.GetZoneChecks(flags);
    ZoneFlags expected{};
    expected[4] = 1;
    EXPECT_EQ(flags, expected);
    list.FillZones(false);
    EXPECT_EQ(list.ExtendedStyle(), 0u);
    EXPECT_TRUE(list.HasColumn(0));
    EXPECT_FALSE(list.HasColumn(1));  // filling again adds no second column
    const auto style = static_cast<std::uint32_t>(GetWindowLongPtrW(d.Item(IDC_ZONE_LIST), GWL_STYLE));
    EXPECT_EQ(style & (LVS_TYPEMASK | LVS_NOCOLUMNHEADER | LVS_SINGLESEL),
              static_cast<std::uint32_t>(LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL));
    EXPECT_TRUE(list.SetItemText(7, u"renamed"));
    EXPECT_EQ(list.ItemText(7), u"renamed");
    Button modify;
    modify.Attach(&d, IDC_MODIFY);
    EXPECT_FALSE(modify.IsEnabled());
    modify.Enable(true);
    EXPECT_TRUE(IsWindowEnabled(d.Item(IDC_MODIFY)));
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_TRUE(ran);
  store.ReleaseTable();
}

TEST(UiWin32Test, TextExchangeLimitsTheEdit) {
  ProbeDialog dialog(IDD_RENAME_ZONE, [](ProbeDialog& d) {
    EXPECT_EQ(SendMessageW(d.Item(IDC_NEW_ZONE_NAME), EM_GETLIMITTEXT, 0, 0), 31);
    Edit edit;
    edit.Attach(&d, IDC_NEW_ZONE_NAME);
    EXPECT_EQ(edit.Text(), u"abc");
    edit.SelectAll();
    DWORD start = 9, end = 9;
    SendMessageW(d.Item(IDC_NEW_ZONE_NAME), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    edit.SetText(u"东区 3");
    EXPECT_TRUE(d.UpdateData(true));
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
  EXPECT_EQ(dialog.text, u"东区 3");
}

TEST(UiWin32Test, MissingTemplateGivesMinusOne) {
  ProbeDialog dialog(9999, [](ProbeDialog&) {});
  EXPECT_EQ(dialog.DoModal(), -1);
}

}  // namespace
}  // namespace warden::platform
