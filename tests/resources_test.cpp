// The module's resources: its strings, and its dialog templates against
// tests/data/dialogs-chs.txt and the language libraries; the dialog
// framework's controls on either backend.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "tests/support/built_files.h"
#include "tests/support/probe_dialog.h"
#include "ui/dialog_template.h"
#include "ui/ui.h"
#ifndef _WIN32
#include "ui/headless_driver.h"
#endif

namespace warden::platform {
namespace {

using ui::Button;
using ui::ComboBox;
using ui::Dialog;
using ui::DialogItem;
using ui::DialogTemplate;
using ui::kIdOk;
using ui::ListView;
using ui::ParseDialogTemplate;
using ui::TreeView;

// With no source set the module's own strings are read; missing ids, a gap
// inside a block and no module give empty text.
TEST(ResourcesTest, StringsComeFromTheModuleAndMissingOnesAreEmpty) {
  SetResourceSource(nullptr);
  EXPECT_EQ(ResourceString(123), u"无");
  for (std::uint16_t id : {100, 112, 9999}) EXPECT_EQ(ResourceString(id), u"") << id;
  EXPECT_EQ(StringFrom(nullptr, 109), u"");
}

DialogTemplate TemplateOf(ResourceModule module, std::uint16_t id) {
  ResourceBytes bytes;
  DialogTemplate parsed;
  EXPECT_TRUE(FindResourceBytes(module, kResourceTypeDialog, id, &bytes) &&
              ParseDialogTemplate(bytes.data, bytes.size, &parsed))
      << id;
  return parsed;
}

// kShape leaves out the texts (saying only whether there is one) and where
// labels are; kText gives the texts alone.
enum class Mode { kFull, kShape, kText };

// One dialog or control (`box`) as a line of tests/data/dialogs-chs.txt.
template <typename Box>
std::string Line(std::uint16_t id, const std::string& what, const std::string& kind,
                 const std::u16string& text, Box box, Mode mode) {
  if (mode == Mode::kText) return ToUtf8(text);
  if (mode == Mode::kShape && kind == "Static") box.x = box.y = box.cx = box.cy = 0;
  char tail[64];
  std::snprintf(tail, sizeof tail, "\t%d %d %d %d\t%08X", box.x, box.y, box.cx, box.cy,
                static_cast<unsigned>(box.style));
  const std::string shown = mode == Mode::kFull ? ToUtf8(text) : text.empty() ? "" : "text";
  return std::to_string(id) + "\t" + what + "\t" + kind + "\t" + shown + tail;
}

std::vector<std::string> Describe(ResourceModule module, Mode mode = Mode::kFull) {
  static const char* const kClass[] = {"Button",        "Edit",          "Static",
                                       "ListBox",       "ScrollBar",     "ComboBox",
                                       "SysListView32", "SysTreeView32", "other"};
  std::vector<std::string> lines;
  for (std::uint16_t id : {201, 203, 206, 207, 210}) {
    const DialogTemplate t = TemplateOf(module, id);
    const std::string font = ToUtf8(t.font) + " " + std::to_string(t.point_size);
    lines.push_back(Line(id, "dialog", font, t.caption, t, mode));
    for (const DialogItem& i : t.items) {
      lines.push_back(
          Line(id, std::to_string(i.id), kClass[static_cast<int>(i.kind)], i.text, i, mode));
    }
  }
  return lines;
}

ResourceModule Library(const std::string& relative) {
  std::u16string path = FromUtf8(testing::BuiltInstallFile(relative).u8string());
  for (char16_t& c : path) c = c == u'/' ? u'\\' : c;
  return LoadResourceLibrary(path);
}

// The module and the Chinese library carry the Chinese templates exactly; the
// English library's differ from them in their texts only (each one translated),
// labels may move for a longer translation.
TEST(DialogTemplateTest, ChineseTemplatesAreAsDescribedAndEnglishOnesTranslateThem) {
  std::ifstream in(testing::TestDataFile("dialogs-chs.txt"), std::ios::binary);
  std::vector<std::string> expected;
  for (std::string line; std::getline(in, line);)
    if (line[0] != '#') expected.push_back(line);
  ResourceModule chinese = Library("Lang/CHS/WardenCHS.dll");
  ResourceModule english = Library("Lang/EN/WardenEN.dll");
  ASSERT_TRUE(chinese && english);
  for (ResourceModule module : {OwnResources(), chinese}) EXPECT_EQ(Describe(module), expected);
  EXPECT_EQ(Describe(english, Mode::kShape), Describe(chinese, Mode::kShape));
  const std::vector<std::string> zh = Describe(chinese, Mode::kText);
  const std::vector<std::string> en = Describe(english, Mode::kText);
  for (std::size_t i = 0; i < zh.size() && i < en.size(); ++i)
    EXPECT_TRUE(zh[i].empty() || en[i] != zh[i]) << expected[i];
  FreeResourceLibrary(chinese);
  FreeResourceLibrary(english);
}

// A damaged resource gives false, never a read past its end; the last item's
// creation-data word ends the template. The short form is not read.
TEST(DialogTemplateTest, TruncatedOrShortFormTemplatesAreRefused) {
  ResourceBytes resource;
  ASSERT_TRUE(FindResourceBytes(OwnResources(), kResourceTypeDialog, 207, &resource));
  std::vector<std::uint8_t> bytes(resource.data, resource.data + resource.size);
  DialogTemplate parsed;
  for (std::size_t size = 0; size < bytes.size(); ++size)
    EXPECT_FALSE(ParseDialogTemplate(bytes.data(), size, &parsed)) << size;
  EXPECT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &parsed) &&
              !ParseDialogTemplate(nullptr, 100, &parsed));
  EXPECT_EQ(Dialog(9999, nullptr).DoModal(), -1);  // no such template
  bytes[bytes.size() - 2] = 4;                     // creation data it does not hold
  EXPECT_FALSE(ParseDialogTemplate(bytes.data(), bytes.size(), &parsed));
  bytes[bytes.size() - 2] = 0;
  bytes[2] = 0;  // no longer the extended form's signature
  EXPECT_FALSE(ParseDialogTemplate(bytes.data(), bytes.size(), &parsed));
}

// Before a dialog opens, and after it closed, its controls do nothing.
TEST(DialogFrameworkTest, NothingHappensWithoutAWindow) {
  Dialog dialog(IDD_ZONES, nullptr);
  EXPECT_FALSE(dialog.UpdateData(true));
  Button button;
  ListView list;
  button.Attach(&dialog, kIdOk);
  list.Attach(&dialog, IDC_ZONE_LIST);
  EXPECT_FALSE(button.IsEnabled());
  EXPECT_EQ(button.Style(), 0u);
  EXPECT_EQ(list.InsertItem(0, u"x"), -1);
}

// Deleting the selected item selects as the real tree view does, which the
// manage dialog relies on: next sibling, else parent, else previous sibling,
// each with one notification. The same rows run on the headless tree and,
// under Wine, on the real one.
TEST(DialogFrameworkTest, DeletingTheSelectedTreeItemMovesTheSelection) {
  const char16_t* const rows[][3] = {{u"user", u"user", u"group"},  // selected, deleted, after
                                     {u"user", u"group", u"loner"},
                                     {u"loner", u"loner", u"group"},
                                     {u"loner", u"group", u"loner"}};
  int selections = 0;
  testing::ProbeDialog dialog(IDD_MANAGE, [&](testing::ProbeDialog& d) {
    TreeView tree;
    tree.Attach(&d, IDC_ACCOUNT_TREE);
    for (const auto& row : rows) {
      SCOPED_TRACE(ToUtf8(row[1]));
      tree.DeleteAllItems();
      std::map<std::u16string, TreeView::Item> items;
      items[u"group"] = tree.InsertItem(u"group", 2);
      items[u"user"] = tree.InsertItem(u"user", 1, items[u"group"]);
      items[u"loner"] = tree.InsertItem(u"loner", 1);
      EXPECT_EQ(tree.NextSibling(tree.FirstChild(TreeView::kRoot)), items[u"loner"]);
      EXPECT_EQ(tree.NextSibling(items[u"loner"]), 0);
      EXPECT_EQ(tree.Parent(items[u"user"]), items[u"group"]);
      EXPECT_EQ(tree.ItemData(items[u"group"]), 2);
      selections = 0;
      EXPECT_TRUE(tree.Select(items[row[0]]) && tree.DeleteItem(items[row[1]]));
      EXPECT_EQ(ToUtf8(tree.ItemText(tree.Selected())), ToUtf8(row[2]));
      EXPECT_EQ(selections, std::u16string(row[0]) != row[2] ? 2 : 1);
    }
    tree.DeleteAllItems();
    EXPECT_TRUE(tree.Select(tree.InsertItem(u"only", 1)) && tree.DeleteItem(tree.Selected()));
    EXPECT_EQ(tree.Selected(), 0);  // nothing left to select
#ifndef _WIN32
    // Headless controls without a control of their id do nothing.
    TreeView missing;
    ComboBox combo;
    missing.Attach(&d, 999), combo.Attach(&d, 999);
    EXPECT_EQ(missing.InsertItem(u"x", 1) + combo.AddString(u"x") + combo.CurSel(), -2);
#endif
  });
  dialog.On(IDC_ACCOUNT_TREE, ui::NotifyCode::kSelectionChanged,
            [&selections](const ui::Notification&) { ++selections; });
  EXPECT_EQ(dialog.DoModal(), kIdOk);
#ifndef _WIN32
  ui::headless::Reset();
#endif
}

}  // namespace
}  // namespace warden::platform
