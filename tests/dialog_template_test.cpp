#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <tuple>

#include "platform/dialog_template.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "tests/support/built_files.h"
#include "tests/support/dialog_builder.h"

namespace warden::platform {
namespace {

DialogTemplate TemplateOf(ResourceModule module, std::uint16_t id) {
  ResourceBytes bytes;
  DialogTemplate parsed;
  EXPECT_TRUE(FindResourceBytes(module, kResourceTypeDialog, id, &bytes));
  EXPECT_TRUE(ParseDialogTemplate(bytes.data, bytes.size, &parsed));
  return parsed;
}

auto Kind(const DialogItem& item) { return std::make_tuple(item.id, item.kind, item.style); }
auto Place(const DialogItem& item) { return std::make_tuple(item.x, item.y, item.cx, item.cy); }

constexpr std::uint16_t kTemplates[] = {201, 203, 206, 207, 210};

std::string Line(std::uint16_t id, const std::string& what, const std::string& kind,
                 const std::u16string& text, std::int16_t x, std::int16_t y, std::int16_t cx,
                 std::int16_t cy, std::uint32_t style) {
  char tail[64];
  std::snprintf(tail, sizeof tail, "\t%d %d %d %d\t%08X", x, y, cx, cy, style);
  return std::to_string(id) + "\t" + what + "\t" + kind + "\t" + ToUtf8(text) + tail;
}

// The templates of `module` in the form of tests/data/dialogs-chs.txt.
std::vector<std::string> Describe(ResourceModule module) {
  static const char* const kClass[] = {"Button",        "Edit",          "Static",
                                       "ListBox",       "ScrollBar",     "ComboBox",
                                       "SysListView32", "SysTreeView32", "other"};
  std::vector<std::string> lines;
  for (std::uint16_t id : kTemplates) {
    const DialogTemplate t = TemplateOf(module, id);
    const std::string font = ToUtf8(t.font) + " " + std::to_string(t.point_size);
    lines.push_back(Line(id, "dialog", font, t.caption, t.x, t.y, t.cx, t.cy, t.style));
    for (const DialogItem& i : t.items) {
      lines.push_back(Line(id, std::to_string(i.id), kClass[static_cast<int>(i.kind)], i.text, i.x,
                           i.y, i.cx, i.cy, i.style));
    }
  }
  return lines;
}

ResourceModule Library(const std::string& relative) {
  std::u16string path = FromUtf8(testing::BuiltInstallFile(relative).u8string());
  for (char16_t& c : path) c = c == u'/' ? u'\\' : c;
  return LoadResourceLibrary(path);
}

// The module and the Chinese library carry the Chinese templates exactly.
TEST(DialogTemplateTest, ChineseTemplatesAreAsDescribed) {
  std::ifstream in(testing::TestDataFile("dialogs-chs.txt"), std::ios::binary);
  std::vector<std::string> expected;
  for (std::string line; std::getline(in, line);) {
    if (line[0] != '#') expected.push_back(line);
  }
  ResourceModule chinese = Library("Lang/CHS/WardenCHS.dll");
  ASSERT_NE(chinese, nullptr);
  for (ResourceModule module : {OwnResources(), chinese}) {
    const std::vector<std::string> actual = Describe(module);
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) EXPECT_EQ(actual[i], expected[i]);
  }
  FreeResourceLibrary(chinese);
}

// The English library's templates differ from the module's in their texts only.
TEST(DialogTemplateTest, EnglishTemplatesAreTranslationsOfTheModuleOnes) {
  ResourceModule english = Library("Lang/EN/WardenEN.dll");
  ASSERT_NE(english, nullptr);
  for (std::uint16_t id : kTemplates) {
    SCOPED_TRACE(id);
    const DialogTemplate chinese = TemplateOf(OwnResources(), id);
    const DialogTemplate translated = TemplateOf(english, id);
    EXPECT_NE(translated.caption, chinese.caption);
    EXPECT_FALSE(translated.caption.empty());
    EXPECT_EQ(std::make_tuple(translated.style, translated.cx, translated.cy, translated.font),
              std::make_tuple(chinese.style, chinese.cx, chinese.cy, chinese.font));
    ASSERT_EQ(translated.items.size(), chinese.items.size());
    for (std::size_t i = 0; i < chinese.items.size(); ++i) {
      SCOPED_TRACE(i);
      const DialogItem& a = chinese.items[i];
      const DialogItem& b = translated.items[i];
      EXPECT_EQ(Kind(a), Kind(b));
      // Labels may grow for a longer translation; controls keep their place.
      if (a.kind != ControlKind::kStatic) {
        EXPECT_EQ(Place(a), Place(b));
      }
      EXPECT_EQ(a.text.empty(), b.text.empty());
      if (!a.text.empty()) {
        EXPECT_NE(a.text, b.text);
      }
    }
  }
  FreeResourceLibrary(english);
}

// The module's templates, written back in the short form, read the same;
// a 16-bit 0xFFFF id is the unnamed label.
TEST(DialogTemplateTest, ShortFormParsesLikeTheExtendedOne) {
  for (std::uint16_t id : {206, 207, 210}) {
    SCOPED_TRACE(id);
    const DialogTemplate extended = TemplateOf(OwnResources(), id);
    ASSERT_TRUE(extended.extended);
    const std::vector<std::uint8_t> bytes = testing::BuildShortDialog(extended);
    DialogTemplate parsed;
    ASSERT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &parsed));
    EXPECT_FALSE(parsed.extended);
    EXPECT_EQ(std::make_tuple(parsed.caption, parsed.style, parsed.cx, parsed.font),
              std::make_tuple(extended.caption, extended.style, extended.cx, extended.font));
    ASSERT_EQ(parsed.items.size(), extended.items.size());
    for (std::size_t i = 0; i < parsed.items.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(Kind(parsed.items[i]), Kind(extended.items[i]));
      EXPECT_EQ(Place(parsed.items[i]), Place(extended.items[i]));
      EXPECT_EQ(parsed.items[i].text, extended.items[i].text);
    }
  }
}

// A damaged resource must give false, never a read past its end, in either
// form; the last item's creation-data word ends the template.
TEST(DialogTemplateTest, EveryTruncationIsRefused) {
  ResourceBytes resource;
  ASSERT_TRUE(FindResourceBytes(OwnResources(), kResourceTypeDialog, 207, &resource));
  const std::vector<std::uint8_t> extended(resource.data, resource.data + resource.size);
  for (const auto& bytes : {extended, testing::BuildShortDialog(TemplateOf(OwnResources(), 207))}) {
    DialogTemplate parsed;
    for (std::size_t size = 0; size + 1 < bytes.size(); ++size) {
      EXPECT_FALSE(ParseDialogTemplate(bytes.data(), size, &parsed)) << size;
    }
    EXPECT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &parsed));
  }
  DialogTemplate parsed;
  EXPECT_FALSE(ParseDialogTemplate(nullptr, 100, &parsed));
}

// A group runs to the next group start, over other controls; a label
// without id can start the group the radio buttons after it belong to.
TEST(DialogTemplateTest, RadioGroupRunsToTheNextGroupStart) {
  auto item = [](std::int32_t id, std::uint32_t extra, ControlKind kind = ControlKind::kButton) {
    DialogItem result;
    result.id = id;
    result.kind = kind;
    result.style = (kind == ControlKind::kButton ? style::kAutoRadioButton : 0) | extra;
    return result;
  };
  DialogTemplate dialog;
  dialog.items = {item(10, style::kGroup),         item(11, 0),
                  item(0, 0, ControlKind::kOther), item(12, 0),
                  item(20, style::kGroup),         item(21, 0)};
  EXPECT_EQ(dialog.RadioGroup(10), (std::vector<std::int32_t>{10, 11, 12}));
  EXPECT_EQ(dialog.RadioGroup(20), (std::vector<std::int32_t>{20, 21}));
  EXPECT_TRUE(dialog.RadioGroup(99).empty());
  dialog.items.insert(dialog.items.begin() + 3, item(-1, style::kGroup, ControlKind::kStatic));
  EXPECT_EQ(dialog.RadioGroupOf(12), (std::vector<std::int32_t>{12}));
  EXPECT_EQ(dialog.RadioGroupOf(11), (std::vector<std::int32_t>{10, 11}));
  EXPECT_EQ(dialog.RadioGroupOf(21), (std::vector<std::int32_t>{20, 21}));
  EXPECT_TRUE(dialog.RadioGroupOf(99).empty());
}

}  // namespace
}  // namespace warden::platform
