#include <gtest/gtest.h>

#include "platform/profile.h"
#include "tests/support/temp_dir.h"
#include "tests/support/windows_profile.h"

namespace warden::platform {
namespace {

using testing::TempDir;
using testing::WriteText;

TEST(ProfileTest, PrivateIniLookupFollowsWindowsRules) {
  TempDir dir;
  WriteText(dir / "a.ini",
            "[Other]\nKey=wrong\n"
            "[language]\n  velmarislanguage =  ENGLISH  \nQuoted=\"a b \"\nEmpty=\n");
  const auto ini = dir.core("a.ini");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"VelmarisLanguage", u"X", ini, 512), u"ENGLISH");
  EXPECT_EQ(ReadPrivateProfileString(u"LANGUAGE", u"Quoted", u"X", ini, 512), u"a b ");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"Empty", u"X", ini, 512), u"");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"Key", u"dflt", ini, 512), u"dflt");
  EXPECT_EQ(ReadPrivateProfileString(u"Language", u"x", u"d", dir.core("none.ini"), 512), u"d");
}

TEST(ProfileTest, ValueIsCutToTheBuffer) {
  TempDir dir;
  WriteText(dir / "a.ini", "[S]\nK=abcdef\n");
  EXPECT_EQ(ReadPrivateProfileString(u"S", u"K", u"", dir.core("a.ini"), 4), u"abc");
}

TEST(ProfileTest, WindowsProfileValuesAreReadBySection) {
  testing::WindowsProfile profile;
  profile.Set(u"Velm50", u"ApplicationDirectory", u"C:\\Velmaris\\Plant 1");
  EXPECT_EQ(ReadProfileString(u"Velm50", u"ApplicationDirectory", u"", 520),
            u"C:\\Velmaris\\Plant 1");
  EXPECT_EQ(ReadProfileString(u"Velm51", u"ApplicationDirectory", u"none", 520), u"none");
}

}  // namespace
}  // namespace warden::platform
