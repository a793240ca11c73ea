#include "storage/installation.h"

#include "platform/module_file.h"
#include "platform/profile.h"
#include "storage/directory_text.h"

namespace warden {
namespace {

std::u16string BeforeLastBackslash(const std::u16string& path) {
  const std::size_t slash = path.rfind(u'\\');
  return slash == std::u16string::npos ? std::u16string() : path.substr(0, slash);
}

// The module's file name without folder and without anything from its first dot.
std::u16string ModuleBaseName() {
  std::u16string name = platform::ModuleFileName(512, 260);
  const std::size_t slash = name.rfind(u'\\');
  if (slash != std::u16string::npos) name.erase(0, slash + 1);
  const std::size_t dot = name.find(u'.');
  return dot == std::u16string::npos ? std::u16string() : name.substr(0, dot);
}

}  // namespace

std::u16string GetModuleDirectory() {
  return BeforeLastBackslash(platform::ModuleFileName(520, 260));
}

std::int32_t GetLanguageCode() {
  const std::u16string ini = GetModuleDirectory() + u"\\Config\\Language.ini";
  const std::u16string language =
      platform::ReadPrivateProfileString(u"Language", u"VelmarisLanguage", u"CHINESE", ini, 512);
  return language == u"CHINESE" ? kLanguageChinese : kLanguageOther;
}

std::u16string GetLanguageLibraryPath(std::int32_t code) {
  return GetLanguageLibraryPath(code, ModuleBaseName());
}

std::u16string GetLanguageLibraryPath(std::int32_t code, const std::u16string& base_name) {
  const std::u16string folder = code == kLanguageChinese ? u"\\Lang\\CHS\\" : u"\\Lang\\EN\\";
  const std::u16string suffix = code == kLanguageChinese ? u"CHS.dll" : u"EN.dll";
  return GetModuleDirectory() + folder + base_name + suffix;
}

std::u16string GetInstallDirectory() {
  const std::u16string section = GetLanguageCode() == kLanguageChinese ? u"Velm50" : u"Velm51";
  std::u16string directory =
      platform::ReadProfileString(section, u"ApplicationDirectory", u"", 520);
  if (directory.empty()) return directory;
  directory = DirectoryWithSeparator(std::move(directory));
  return directory.empty() ? u"\\" : directory;
}

}  // namespace warden
