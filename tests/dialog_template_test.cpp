#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <tuple>

#include "platform/dialog_template.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "tests/support/built_files.h"

namespace warden::platform {
namespace {

DialogTemplate TemplateOf(ResourceModule module, std::uint16_t id) {
  ResourceBytes bytes;
  DialogTemplate parsed;
  EXPECT_TRUE(FindResourceBytes(module, kResourceTypeDialog, id, &bytes));
  EXPECT_TRUE(ParseDialogTemplate(bytes.data, bytes.size, &parsed));
  return parsed;
}

constexpr std::uint16_t kTemplates[] = {201, 203, 206, 207, 210};

// One dialog or control (`box`) as a line of tests/data/dialogs-chs.txt.
template <typename Box>
std::string Line(std::uint16_t id, const std::string& what, const std::string& kind,
                 const std::u16string& text, const Box& box) {
  char tail[64];
  std::snprintf(tail, sizeof tail, "\t%d %d %d %d\t%08X", box.x, box.y, box.cx, box.cy,
                static_cast<unsigned>(box.style));
  return std::to_string(id) + "\t" + what + "\t" + kind + "\t" + ToUtf8(text) + tail;
}

std::vector<std::string> Describe(ResourceModule module) {
  static const char* const kClass[] = {"Button",        "Edit",          "Static",
                                       "ListBox",       "ScrollBar",     "ComboBox",
                                       "SysListView32", "SysTreeView32", "other"};
  std::vector<std::string> lines;
  for (std::uint16_t id : kTemplates) {
    const DialogTemplate t = TemplateOf(module, id);
    const std::string font = ToUtf8(t.font) + " " + std::to_string(t.point_size);
    lines.push_back(Line(id, "dialog", font, t.caption, t));
    for (const DialogItem& i : t.items) {
      lines.push_back(Line(id, std::to_string(i.id), kClass[static_cast<int>(i.kind)], i.text, i));
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
  for (ResourceModule module : {OwnResources(), chinese}) EXPECT_EQ(Describe(module), expected);
  FreeResourceLibrary(chinese);
}

// The English library's templates differ from the module's in their texts only;
// labels may grow for a longer translation, controls keep their place.
TEST(DialogTemplateTest, EnglishTemplatesAreTranslationsOfTheModuleOnes) {
  ResourceModule english = Library("Lang/EN/WardenEN.dll");
  ASSERT_NE(english, nullptr);
  const auto shape = [](const DialogItem& i) {
    const bool label = i.kind == ControlKind::kStatic;
    return std::make_tuple(i.id, i.kind, i.style, label ? 0 : i.x, label ? 0 : i.y,
                           label ? 0 : i.cx, label ? 0 : i.cy, i.text.empty());
  };
  for (std::uint16_t id : kTemplates) {
    SCOPED_TRACE(id);
    const DialogTemplate chinese = TemplateOf(OwnResources(), id);
    const DialogTemplate translated = TemplateOf(english, id);
    EXPECT_NE(translated.caption, chinese.caption);
    EXPECT_EQ(std::make_tuple(translated.style, translated.cx, translated.cy, translated.font),
              std::make_tuple(chinese.style, chinese.cx, chinese.cy, chinese.font));
    ASSERT_EQ(translated.items.size(), chinese.items.size());
    for (std::size_t i = 0; i < chinese.items.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(shape(translated.items[i]), shape(chinese.items[i]));
      if (!chinese.items[i].text.empty())
        EXPECT_NE(translated.items[i].text, chinese.items[i].text);
    }
  }
  FreeResourceLibrary(english);
}

// A damaged resource gives false, never a read past its end; the last item's
// creation-data word ends the template. The short form is not read.
TEST(DialogTemplateTest, TruncatedOrShortFormTemplatesAreRefused) {
  ResourceBytes resource;
  ASSERT_TRUE(FindResourceBytes(OwnResources(), kResourceTypeDialog, 207, &resource));
  std::vector<std::uint8_t> bytes(resource.data, resource.data + resource.size);
  DialogTemplate parsed;
  for (std::size_t size = 0; size + 1 < bytes.size(); ++size) {
    EXPECT_FALSE(ParseDialogTemplate(bytes.data(), size, &parsed)) << size;
  }
  EXPECT_TRUE(ParseDialogTemplate(bytes.data(), bytes.size(), &parsed));
  EXPECT_FALSE(ParseDialogTemplate(nullptr, 100, &parsed));
  for (std::size_t at : {0, 2}) {
    std::vector<std::uint8_t> other = bytes;
    other[at] = 0;
    EXPECT_FALSE(ParseDialogTemplate(other.data(), other.size(), &parsed)) << at;
  }
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
