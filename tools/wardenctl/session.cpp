#include "tools/wardenctl/session.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "accounts/account_file.h"
#include "accounts/name_text.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "storage/installation.h"
#include "tools/wardenctl/console.h"
#include "zones/zone_file.h"

namespace warden::ctl {
namespace {

using platform::FromUtf8;
using platform::ToUtf8;

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
  users_lock_.reset();
  zones_lock_.reset();
  platform::SetResourceSource(nullptr);
  if (message_texts_ != component_texts_) platform::FreeResourceLibrary(message_texts_);
  platform::FreeResourceLibrary(component_texts_);
}

// Without a directory the files would be looked for in whatever directory
// the tool was started from: never a place to read defaults from or write to.
int Session::CheckLocation() {
  if (location.directory.empty()) {
    Say(io.err, Text(ToolText::kNoInstallDirectory));
    return kExitFile;
  }
  std::u16string directory = location.directory;
  if (directory.size() > 1) directory.pop_back();  // the separator
  const PathKind kind = KindOf(directory);
  if (kind == PathKind::kDirectory) return kExitOk;
  Say(io.err, platform::FormatText(
                  Text(kind == PathKind::kNone ? ToolText::kNoDirectory : ToolText::kNotDirectory),
                  FromUtf8(DisplayPath(directory))));
  return kExitFile;
}

std::u16string Session::Text(std::uint16_t id) const {
  std::u16string text = platform::StringFrom(message_texts_, id);
  return text.empty() ? platform::StringFrom(platform::OwnResources(), id) : text;
}

std::u16string Session::Text(ToolText text) const { return FromUtf8(ToolTextUtf8(text, english_)); }

void Session::Say(std::ostream& out, const std::u16string& text) {
  std::size_t end = text.size();
  while (end > 0 && (IsBlank(text[end - 1]) || text[end - 1] < u' ')) --end;
  out << ToUtf8(text.substr(0, end)) << '\n';
}

int Session::Refuse(std::uint16_t id, const std::u16string& argument, const std::string& field) {
  return RefuseWith(Text(id), argument, field);
}

int Session::Refuse(ToolText text, const std::u16string& argument, const std::string& field) {
  return RefuseWith(Text(text), argument, field);
}

int Session::RefuseWith(const std::u16string& text, const std::u16string& argument,
                        const std::string& field) {
  Say(io.err,
      FromUtf8(field.empty() ? field : field + ": ") + platform::FormatText(text, argument));
  return kExitRefused;
}

int Session::Usage(const std::string& message) {
  io.err << message << '\n';
  return kExitUsage;
}

// A person may take a while to answer: the locks are let go meanwhile, so
// that the host's reads and saves go on, and the files are read again
// after a yes. What another program changed meanwhile is not written over.
int Session::Confirm(ToolText question, bool yes) {
  if (yes) return kExitOk;
  if (!io.in_is_terminal) return Usage(ToUtf8(Text(ToolText::kNotOnTerminal)));
  const std::vector<AccountRecord> accounts = store.Records();
  const auto zones = store.m_strSection;
  const int accounts_failure = accounts_failure_, zones_failure = zones_failure_;
  const bool users_locked = users_lock_.has_value(), zones_locked = zones_lock_.has_value();
  users_lock_.reset();
  zones_lock_.reset();
  if (!AnsweredYes(question)) return kExitRefused;
  if (users_locked) {
    if (const int code = LoadAccounts(Access::kWrite, Unreadable::kReplace)) return code;
  }
  if (zones_locked) {
    if (const int code = LoadZones(Access::kWrite, Unreadable::kReplace)) return code;
  }
  if (store.Records() == accounts && store.m_strSection == zones &&
      accounts_failure_ == accounts_failure && zones_failure_ == zones_failure) {
    return kExitOk;
  }
  Say(io.err, Text(ToolText::kChangedMeanwhile));
  return kExitFile;
}

bool Session::AnsweredYes(ToolText question) {
  io.err << ToUtf8(Text(question)) << std::flush;
  std::string answer;
  std::getline(io.in, answer);
  answer.erase(std::remove_if(answer.begin(), answer.end(), [](char c) { return c <= ' '; }),
               answer.end());
  std::transform(answer.begin(), answer.end(), answer.begin(),
                 [](char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return answer == "y" || answer == "yes";
}

std::string Session::FilePath(const char16_t* name) const {
  return DisplayPath(location.directory + name);
}

int Session::FileFailure(int code, std::uint16_t text, const char16_t* name, bool reading) {
  io.err << ToUtf8(Text(text)) << " (" << code << ": " << FilePath(name) << ")\n";
  if (reading) Say(io.err, Text(ToolText::kReadHint));
  return kExitFile;
}

int Session::Lock(std::optional<DataFileLock>& lock, const char16_t* name,
                  const char16_t* data_name, Access access) {
  if (lock) return kExitOk;
  const std::optional<std::u16string> path = DataFilePath(location.directory, name);
  if (!path) return kExitOk;  // the load refuses the path
  lock.emplace(*path, access == Access::kWrite ? DataFileLock::Missing::kCreate
                                               : DataFileLock::Missing::kLeave);
  if (!lock->busy()) return kExitOk;
  Say(io.err, platform::FormatText(Text(ToolText::kBusy), FromUtf8(FilePath(data_name))));
  return kExitFile;
}

int Session::LockAccounts(Access access) {
  return Lock(users_lock_, u"users.lck", u"users.dat", access);
}

int Session::LockZones(Access access) {
  return Lock(zones_lock_, u"section.lck", u"section.dat", access);
}

// Loads never create a file: a missing one gives the defaults in memory,
// which the command's save writes, so a refused command leaves nothing behind.
// After a failed load the store takes no backup at its save: users.bak keeps
// what it holds.
int Session::LoadAccounts(Access access, Unreadable unreadable) {
  if (const int code = LockAccounts(access)) return code;
  const int code = LoadAccountFile(store, ReadLocation());
  accounts_failure_ = Missing(u"users.dat") ? kFileOk : code;
  if (accounts_failure_) {
    // The rights of --as cannot be judged without the table.
    if (unreadable == Unreadable::kRefuse || !as_.empty()) {
      return FileFailure(code, static_cast<std::uint16_t>(code), u"users.dat", true);
    }
    store.ReleaseTable();
  }
  if (as_.empty()) return kExitOk;
  const std::u16string name = FromUtf8(as_);
  for (const AccountRecord& record : store.Records()) {
    if (record.type == kTypeUser && record.username == name) {
      store.m_pCurUser = std::make_unique<AccountRecord>(record);
      return kExitOk;
    }
  }
  Refuse(ToolText::kNoUserForAs, name, "--as");
  return kExitUsage;
}

int Session::LoadZones(Access access, Unreadable unreadable) {
  if (const int code = LockZones(access)) return code;
  const int code = LoadSectionFile(store, ReadLocation());
  zones_failure_ = Missing(u"section.dat") ? kFileOk : code;
  if (zones_failure_ && unreadable == Unreadable::kRefuse) {
    return FileFailure(code, IDS_LOAD_ZONES_FAILED, u"section.dat", true);
  }
  return kExitOk;
}

bool Session::Missing(const char16_t* name) const {
  const std::optional<std::u16string> path = DataFilePath(location.directory, name);
  return path && !platform::Files().exists(*path);
}

DataLocation Session::SaveLocation(const std::optional<DataFileLock>& lock) const {
  DataLocation save = location;
  save.caller_holds_lock = lock && lock->held();
  return save;
}

int Session::SaveAccounts() {
  const int code = SaveAccountFile(store, SaveLocation(users_lock_));
  return code ? FileFailure(code, static_cast<std::uint16_t>(code), u"users.dat", false) : kExitOk;
}

int Session::SaveZones() {
  const int code = SaveSectionFile(store, SaveLocation(zones_lock_));
  return code ? FileFailure(code, IDS_SAVE_ZONES_FAILED, u"section.dat", false) : kExitOk;
}

}  // namespace warden::ctl
