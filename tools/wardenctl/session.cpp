#include "tools/wardenctl/session.h"

#include <ostream>

#include "accounts/account_file.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "storage/installation.h"
#include "tools/wardenctl/console.h"
#include "zones/zone_file.h"

namespace warden::ctl {
namespace {

// The component's language libraries beside the tool, under the
// component's own name: Lang\EN\WardenEN.dll, Lang\CHS\WardenCHS.dll.
platform::ResourceModule LoadLanguage(std::int32_t code) {
  return platform::LoadResourceLibrary(GetLanguageLibraryPath(code, u"Warden"));
}

}  // namespace

Session::Session(const GlobalOptions& options, Io io_in) : io(io_in), as_(options.as) {
  const std::int32_t component_code = GetLanguageCode();
  component_texts_ = LoadLanguage(component_code);
  // The rules compare against the names the component itself uses, and a
  // default table is made of them: those follow the component's language.
  platform::SetResourceSource(component_texts_ ? component_texts_ : platform::OwnResources());
  builtin = LoadBuiltInNames();
  std::int32_t message_code = component_code;
  if (options.lang == "en") message_code = kLanguageOther;
  if (options.lang == "zh") message_code = kLanguageChinese;
  message_texts_ = message_code == component_code ? component_texts_ : LoadLanguage(message_code);
  // Without its library a language falls back to the module's own Chinese.
  english_ = message_code == kLanguageOther && message_texts_ != nullptr;

  // A directory named on purpose by an administrator is written like the
  // install directory.
  location = DataLocation::Install(options.dir.empty() ? GetInstallDirectory()
                                                       : CorePathFromArgument(options.dir));
}

Session::~Session() {
  platform::SetResourceSource(nullptr);
  if (message_texts_ != component_texts_) platform::FreeResourceLibrary(message_texts_);
  platform::FreeResourceLibrary(component_texts_);
}

std::u16string Session::Text(std::uint16_t id) const {
  std::u16string text = platform::StringFrom(message_texts_, id);
  return text.empty() ? platform::StringFrom(platform::OwnResources(), id) : text;
}

std::u16string Session::Text(ToolText text) const {
  return platform::FromUtf8(ToolTextUtf8(text, english_));
}

int Session::Refuse(std::uint16_t id, const std::u16string& argument) {
  io.err << platform::ToUtf8(platform::FormatText(Text(id), argument)) << '\n';
  return kExitRefused;
}

int Session::Refuse(ToolText text, const std::u16string& argument) {
  io.err << platform::ToUtf8(platform::FormatText(Text(text), argument)) << '\n';
  return kExitRefused;
}

int Session::Usage(const std::string& message) {
  io.err << message << '\n';
  return kExitUsage;
}

std::string Session::FilePath(const char16_t* name) const {
  return DisplayPath(location.directory + name);
}

int Session::FileFailure(int code, std::uint16_t text, const char16_t* name) {
  io.err << platform::ToUtf8(Text(text)) << " (" << code << ": " << FilePath(name) << ")\n";
  return kExitFile;
}

// Loads never create a file: a missing one gives the defaults in memory,
// which the command's save writes, so a refused command leaves nothing behind.
int Session::LoadAccounts() {
  const int code = LoadAccountFile(store, DataLocation{location.directory, false});
  if (code != kFileOk && !Missing(u"users.dat")) {
    return FileFailure(code, static_cast<std::uint16_t>(code), u"users.dat");
  }
  if (as_.empty()) return kExitOk;
  const std::u16string name = platform::FromUtf8(as_);
  for (const AccountRecord& record : store.Records()) {
    if (record.type == kTypeUser && record.username == name) {
      store.m_pCurUser = std::make_unique<AccountRecord>(record);
      return kExitOk;
    }
  }
  Refuse(ToolText::kNoUserForAs, name);
  return kExitUsage;
}

int Session::LoadZones() {
  const int code = LoadSectionFile(store, DataLocation{location.directory, false});
  if (code != kFileOk && !Missing(u"section.dat")) {
    return FileFailure(code, IDS_LOAD_ZONES_FAILED, u"section.dat");
  }
  return kExitOk;
}

bool Session::Missing(const char16_t* name) const {
  const std::optional<std::u16string> path = DataFilePath(location.directory, name);
  return path && !platform::Files().exists(*path);
}

int Session::SaveAccounts() {
  const int code = SaveAccountFile(store, location);
  return code ? FileFailure(code, static_cast<std::uint16_t>(code), u"users.dat") : kExitOk;
}

int Session::SaveZones() {
  const int code = SaveSectionFile(store, location);
  return code ? FileFailure(code, IDS_SAVE_ZONES_FAILED, u"section.dat") : kExitOk;
}

}  // namespace warden::ctl
