// The win32 dialog backend on real windows: a dialog opens from a module
// template, the probe runs in OnInitDialog and the dialog closes itself.
// Typing, limits and data exchange are driven end to end through COM by
// tests/wine/com_manage_dialog_test.cpp.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "dialogs/zone_check_list.h"
#include "resources/resource_ids.h"
#include "ui/ui.h"

namespace warden::ui {
namespace {

class ProbeDialog : public Dialog {
 public:
  ProbeDialog(std::uint16_t id, std::function<void(ProbeDialog&)> probe)
      : Dialog(id, nullptr), probe_(std::move(probe)) {}
  HWND Item(int id) const { return GetDlgItem(static_cast<HWND>(Handle()), id); }
  void Listen(std::int32_t id, NotifyCode code, std::function<void(const Notification&)> run) {
    On(id, code, std::move(run));
  }

 protected:
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
  ZoneNames names;
  for (auto& name : names) name = u"zone";
  names[2] = std::u16string(200, u'长');  // longer than the first read buffer
  ZoneFlags flags{};
  flags[4] = 1;
  flags[5] = 2;  // any value but 1 is unticked
  ProbeDialog dialog(IDD_ZONES, [&](ProbeDialog& d) {
    ZoneCheckList list(names);
    list.Attach(&d, IDC_ZONE_LIST);
    list.FillZones(true);
    EXPECT_EQ(list.ItemCount(), kZoneCount);
    EXPECT_EQ(list.ItemText(2), names[2]);
    list.SetZoneChecks(flags);
    flags.fill(9);
    list.GetZoneChecks(flags);
    ZoneFlags expected{};
    expected[4] = 1;
    EXPECT_EQ(flags, expected);
    list.FillZones(false);
    EXPECT_EQ(list.ExtendedStyle(), 0u);
    EXPECT_FALSE(list.HasColumn(1));  // filling again adds no second column
    const auto style =
        static_cast<std::uint32_t>(GetWindowLongPtrW(d.Item(IDC_ZONE_LIST), GWL_STYLE));
    EXPECT_EQ(style & (LVS_TYPEMASK | LVS_NOCOLUMNHEADER | LVS_SINGLESEL),
              static_cast<std::uint32_t>(LVS_REPORT | LVS_NOCOLUMNHEADER | LVS_SINGLESEL));
    EXPECT_FALSE(IsWindowEnabled(d.Item(IDC_MODIFY)));
  });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
}

// The real tree view's selection rules, which the headless tree copies, on a
// tree made at run time inside a module dialog.
TEST(UiWin32Test, TreeSelectionAndDeletionNotifyLikeTheHeadlessTree) {
  constexpr int kTree = 500;
  const char16_t* const cases[][3] = {{u"user", u"user", u"group"},  // selected, deleted, after
                                      {u"user", u"group", u"loner"},
                                      {u"loner", u"loner", u"group"},
                                      {u"loner", u"group", u"loner"}};
  int events = 0;
  ProbeDialog dialog(IDD_ZONES, [&](ProbeDialog& d) {
    CreateWindowExW(0, WC_TREEVIEWW, L"", WS_CHILD | WS_VISIBLE | TVS_HASLINES, 0, 0, 100, 100,
                    static_cast<HWND>(d.Handle()), reinterpret_cast<HMENU>(kTree), nullptr,
                    nullptr);
    TreeView tree;
    tree.Attach(&d, kTree);
    for (const auto& c : cases) {
      SCOPED_TRACE(reinterpret_cast<const wchar_t*>(c[1]));
      tree.DeleteAllItems();
      std::map<std::u16string, TreeView::Item> items;
      items[u"group"] = tree.InsertItem(u"group", 2);
      items[u"user"] = tree.InsertItem(u"user", 1, items[u"group"]);
      items[u"loner"] = tree.InsertItem(u"loner", 1);
      EXPECT_EQ(tree.NextSibling(tree.FirstChild(TreeView::kRoot)), items[u"loner"]);
      EXPECT_EQ(tree.Parent(items[u"user"]), items[u"group"]);
      EXPECT_EQ(tree.ItemData(items[u"group"]), 2);
      events = 0;
      EXPECT_TRUE(tree.Select(items[c[0]]));
      EXPECT_TRUE(tree.DeleteItem(items[c[1]]));
      EXPECT_EQ(tree.ItemText(tree.Selected()), c[2]);
      EXPECT_EQ(events, std::u16string(c[0]) != c[2] ? 2 : 1);
    }
  });
  dialog.Listen(kTree, NotifyCode::kSelectionChanged, [&events](const Notification&) { ++events; });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
}

}  // namespace
}  // namespace warden::ui
