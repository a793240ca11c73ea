#include <gtest/gtest.h>

#include "platform/dialog_template.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "tests/support/built_files.h"
#include "tests/support/dialog_builder.h"

namespace warden::platform {
namespace {

constexpr std::uint32_t kPopup = 0x80000000;
constexpr std::uint32_t kCaption = 0x00C00000;
constexpr std::uint32_t kSysMenu = 0x00080000;
constexpr std::uint32_t kModalFrame = 0x00000080;
constexpr std::uint32_t kGroupBoxType = style::kGroupBox;

struct ExpectedItem {
  std::int32_t id;
  ControlKind kind;
  const char16_t* text;
  std::int16_t x, y, cx, cy;
  std::uint32_t required;   // style bits that must be set
  std::uint32_t forbidden;  // style bits that must be clear
  int button_type;          // -1: not a button
};

struct ExpectedDialog {
  std::uint16_t id;
  const char16_t* caption;
  std::int16_t cx, cy;
  std::vector<ExpectedItem> items;
};

DialogTemplate ModuleTemplate(std::uint16_t id) {
  ResourceBytes bytes;
  DialogTemplate parsed;
  EXPECT_TRUE(FindResourceBytes(OwnResources(), kResourceTypeDialog, id, &bytes));
  EXPECT_TRUE(ParseDialogTemplate(bytes.data, bytes.size, &parsed));
  return parsed;
}

// The module's zone templates, row by row in template order.
TEST(DialogTemplateTest, ModuleZoneTemplatesMatchTheirTables) {
  using K = ControlKind;
  using namespace style;
  const ExpectedDialog dialogs[] = {
      {206, u"提示", 142, 77,
       {{1, K::kButton, u"确定", 45, 47, 47, 14, kTabStop, kDisabled, kDefPushButton},
        {239, K::kEdit, u"", 17, 12, 103, 24,
         kTabStop | kEditReadOnly | kEditMultiLine | kEditCenter | kEditAutoHScroll |
             kEditAutoVScroll,
         kBorder | kDisabled, -1}}},
      {207, u"安全区配置", 304, 209,
       {{1, K::kButton, u"确定", 249, 31, 50, 14, 0, kDisabled, kDefPushButton},
        {2, K::kButton, u"取消", 249, 46, 50, 14, 0, kDisabled, kPushButton},
        {220, K::kListView, u"", 6, 13, 238, 189, kBorder | kTabStop, kDisabled, -1},
        {-1, K::kStatic, u"安全区：", 9, 3, 33, 8, 0, 0, -1},
        {228, K::kButton, u"修改", 249, 13, 50, 14, kDisabled, 0, kPushButton}}},
      {210, u"更改安全区名", 187, 75,
       {{1, K::kButton, u"确定", 81, 54, 47, 14, 0, kDisabled, kDefPushButton},
        {2, K::kButton, u"取消", 133, 54, 47, 14, 0, kDisabled, kPushButton},
        {245, K::kEdit, u"", 30, 24, 140, 14, kBorder | kTabStop | kEditAutoHScroll,
         kDisabled | kEditReadOnly | kEditNumber | kEditPassword, -1},
        {-1, K::kButton, u"新的安全区名：", 7, 7, 173, 39, 0, 0, kGroupBoxType}}},
  };
  for (const ExpectedDialog& expected : dialogs) {
    SCOPED_TRACE(expected.id);
    const DialogTemplate parsed = ModuleTemplate(expected.id);
    EXPECT_EQ(ToUtf8(parsed.caption), ToUtf8(expected.caption));
    EXPECT_EQ(parsed.cx, expected.cx);
    EXPECT_EQ(parsed.cy, expected.cy);
    EXPECT_EQ(parsed.font, u"MS Shell Dlg");
    EXPECT_EQ(parsed.point_size, 8);
    const std::uint32_t frame = kPopup | kCaption | kSysMenu | kModalFrame;
    EXPECT_EQ(parsed.style & frame, frame);
    ASSERT_EQ(parsed.items.size(), expected.items.size());
    for (std::size_t i = 0; i < expected.items.size(); ++i) {
      const ExpectedItem& want = expected.items[i];
      const DialogItem& got = parsed.items[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(got.id, want.id);
      EXPECT_EQ(got.kind, want.kind);
      EXPECT_EQ(ToUtf8(got.text), ToUtf8(want.text));
      EXPECT_EQ((std::vector<int>{got.x, got.y, got.cx, got.cy}),
                (std::vector<int>{want.x, want.y, want.cx, want.cy}));
      EXPECT_EQ(got.style & want.required, want.required);
      EXPECT_EQ(got.style & want.forbidden, 0u);
      EXPECT_NE(got.style & kVisible, 0u);
      if (want.button_type >= 0) {
        EXPECT_EQ(static_cast<int>(got.style & kButtonTypeMask), want.button_type);
      }
    }
  }
}

// The English library's templates differ from the module's in their texts only.
TEST(DialogTemplateTest, EnglishTemplatesAreTranslationsOfTheModuleOnes) {
  const std::filesystem::path path = testing::BuiltInstallFile("Lang/EN/WardenEN.dll");
  std::u16string core = FromUtf8(path.u8string());
  for (char16_t& c : core) c = c == u'/' ? u'\\' : c;
  ResourceModule english = LoadResourceLibrary(core);
  ASSERT_NE(english, nullptr);
  for (std::uint16_t id : {201, 203, 206, 207, 210}) {
    SCOPED_TRACE(id);
    const DialogTemplate chinese = ModuleTemplate(id);
    ResourceBytes bytes;
    DialogTemplate translated;
    ASSERT_TRUE(FindResourceBytes(english, kResourceTypeDialog, id, &bytes));
    ASSERT_TRUE(ParseDialogTemplate(bytes.data, bytes.size, &translated));
    EXPECT_NE(translated.caption, chinese.caption);
    EXPECT_FALSE(translated.caption.empty());
    EXPECT_EQ(translated.style, chinese.style);
    EXPECT_EQ(translated.cx, chinese.cx);
    EXPECT_EQ(translated.cy, chinese.cy);
    EXPECT_EQ(translated.font, chinese.font);
    ASSERT_EQ(translated.items.size(), chinese.items.size());
    for (std::size_t i = 0; i < chinese.items.size(); ++i) {
      const DialogItem& a = chinese.items[i];
      const DialogItem& b = translated.items[i];
      SCOPED_TRACE(i);
      EXPECT_EQ(a.id, b.id);
      EXPECT_EQ(a.style, b.style);
      // Labels may grow for a longer translation; controls keep their place.
      if (a.kind != ControlKind::kStatic) {
        EXPECT_EQ((std::vector<std::int64_t>{a.x, a.y, a.cx, a.cy}),
                  (std::vector<std::int64_t>{b.x, b.y, b.cx, b.cy}));
      }
      EXPECT_EQ(a.kind, b.kind);
      EXPECT_EQ(a.text.empty(), b.text.empty());
      if (!a.text.empty()) {
        EXPECT_NE(a.text, b.text);
      }
    }
  }
  FreeResourceLibrary(english);
}

TEST(DialogTemplateTest, ShortFormParsesLikeTheExtendedOne) {
  const std::vector<testing::BuiltControl> controls = {
      {1, 0x80, u"", u"OK", style::kDefPushButton | style::kTabStop, 5, 6, 50, 14},
      {-1, 0, u"Static", u"Label", 0, 1, 2, 3, 4},
      {300, 0, u"SysTreeView32", u"", 0},
  };
  for (bool extended : {true, false}) {
    SCOPED_TRACE(extended);
    const auto bytes = testing::BuildDialog(extended, u"Caption", controls);
    DialogTemplate parsed;
    ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &parsed));
    EXPECT_EQ(parsed.extended, extended);
    EXPECT_EQ(parsed.caption, u"Caption");
    EXPECT_EQ(parsed.font, u"MS Shell Dlg");
    ASSERT_EQ(parsed.items.size(), 3u);
    EXPECT_EQ(parsed.items[0].kind, ControlKind::kButton);
    EXPECT_EQ(parsed.items[0].text, u"OK");
    EXPECT_EQ(parsed.items[0].x, 5);
    EXPECT_EQ(parsed.items[1].id, -1);  // a 16-bit 0xFFFF id is the unnamed label
    EXPECT_EQ(parsed.items[1].kind, ControlKind::kStatic);
    EXPECT_EQ(parsed.items[1].cy, 4);
    EXPECT_EQ(parsed.items[2].kind, ControlKind::kTreeView);
  }
}

// A damaged resource must give false, never a read past its end.
TEST(DialogTemplateTest, EveryTruncationIsRefused) {
  ResourceBytes bytes;
  ASSERT_TRUE(FindResourceBytes(OwnResources(), kResourceTypeDialog, 207, &bytes));
  DialogTemplate parsed;
  ASSERT_TRUE(ParseDialogTemplate(bytes.data, bytes.size, &parsed));
  // The last item's creation-data word ends the template.
  for (std::size_t size = 0; size + 1 < bytes.size && size < 400; ++size) {
    SCOPED_TRACE(size);
    const std::vector<std::uint8_t> cut(bytes.data, bytes.data + size);
    EXPECT_FALSE(ParseDialogTemplate(cut.data(), cut.size(), &parsed));
  }
  EXPECT_FALSE(ParseDialogTemplate(nullptr, 100, &parsed));
}

TEST(DialogTemplateTest, RadioGroupRunsToTheNextGroupStart) {
  using namespace style;
  DialogTemplate dialog;
  auto radio = [](std::int32_t id, std::uint32_t extra) {
    DialogItem item;
    item.id = id;
    item.kind = ControlKind::kButton;
    item.style = kAutoRadioButton | extra;
    return item;
  };
  dialog.items = {radio(10, kGroup), radio(11, 0), radio(12, 0), radio(20, kGroup), radio(21, 0)};
  dialog.items.insert(dialog.items.begin() + 2, DialogItem{});  // a non-radio inside the group
  EXPECT_EQ(dialog.RadioGroup(10), (std::vector<std::int32_t>{10, 11, 12}));
  EXPECT_EQ(dialog.RadioGroup(20), (std::vector<std::int32_t>{20, 21}));
  EXPECT_TRUE(dialog.RadioGroup(99).empty());
  // A label without id can start the group the radio buttons belong to.
  DialogItem label;
  label.id = -1;
  label.kind = ControlKind::kStatic;
  label.style = kGroup;
  dialog.items.insert(dialog.items.begin() + 3, label);  // 10, 11, other, label, 12, 20, 21
  EXPECT_EQ(dialog.RadioGroupOf(12), (std::vector<std::int32_t>{12}));
  EXPECT_EQ(dialog.RadioGroupOf(11), (std::vector<std::int32_t>{10, 11}));
  EXPECT_EQ(dialog.RadioGroupOf(21), (std::vector<std::int32_t>{20, 21}));
  EXPECT_TRUE(dialog.RadioGroupOf(99).empty());
}

}  // namespace
}  // namespace warden::platform
