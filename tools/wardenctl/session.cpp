#include "tools/wardenctl/session.h"

#include <algorithm>
#include <istream>
#include <ostream>

#include "accounts/account_file.h"
#include "accounts/name_text.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "resources/resource_ids.h"
#include "storage/directory_text.h"
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
  directory = DirectoryWithSeparator(options.dir.empty() ? GetInstallDirectory()
                                                         : CorePathFromArgument(options.dir));
}

Session::~Session() {
  users_file_.reset();
  zones_file_.reset();
  platform::SetResourceSource(nullptr);
  if (message_texts_ != component_texts_) platform::FreeResourceLibrary(message_texts_);
  platform::FreeResourceLibrary(component_texts_);
}

// Without a directory the files would be looked for in whatever directory
// the tool was started from: never a place to read defaults from or write to.
int Session::CheckLocation() {
  if (directory.empty()) {
    Say(io.err, Text(ToolText::kNoInstallDirectory));
    return kExitFile;
  }
  std::u16string folder = directory;
  if (folder.size() > 1) folder.pop_back();  // the separator
  const PathKind kind = KindOf(folder);
  if (kind == PathKind::kDirectory) return kExitOk;
  Say(io.err, platform::FormatText(
                  Text(kind == PathKind::kNone ? ToolText::kNoDirectory : ToolText::kNotDirectory),
                  FromUtf8(DisplayPath(folder))));
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
  const std::vector<AccountRecord> loaded_accounts = accounts.records();
  const ZoneNames loaded_zones = zones;
  const FileFailure accounts_failure = accounts_failure_, zones_failure = zones_failure_;
  const bool users_locked = users_file_.has_value(), zones_locked = zones_file_.has_value();
  users_file_.reset();
  zones_file_.reset();
  if (!AnsweredYes(question)) return kExitRefused;
  if (users_locked) {
    if (const int code = LoadAccounts(Use::kWrite, Unreadable::kReplace)) return code;
  }
  if (zones_locked) {
    if (const int code = LoadZones(Use::kWrite, Unreadable::kReplace)) return code;
  }
  if (accounts.records() == loaded_accounts && zones == loaded_zones &&
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

std::string Session::FilePath(const std::u16string& path) const { return DisplayPath(path); }

// After the message the component's code for the failure: that of its
// text for a file not read (104) or not written (105).
int Session::FileProblem(FileFailure failure, std::uint16_t text, const DataFile& file,
                         bool reading) {
  const std::string path = FilePath(file.paths().dat);
  if (failure == FileFailure::kInUse) {
    Say(io.err, platform::FormatText(Text(ToolText::kBusy), FromUtf8(path)));
    return kExitFile;
  }
  io.err << ToUtf8(Text(text)) << " (" << (reading ? IDS_READ_USERS_FAILED : IDS_WRITE_USERS_FAILED)
         << ": " << path << ")\n";
  if (failure == FileFailure::kAbandoned) Say(io.err, Text(ToolText::kNoHistoryRecord));
  if (reading) Say(io.err, Text(ToolText::kReadHint));
  return kExitFile;
}

// A file is made for a use once; a path too long is refused by the load.
int Session::Lock(std::optional<DataFile>& file, DataFile made) {
  if (file) return kExitOk;
  file = std::move(made);
  const FileFailure failure = file->Hold();
  if (failure != FileFailure::kInUse) return kExitOk;
  return FileProblem(failure, 0, *file, true);
}

int Session::LockAccounts(Use use) {
  const Access access = use == Use::kWrite ? Access::kReadWrite : Access::kReadOnly;
  return Lock(users_file_, AccountFileIn(directory, access, MissingFile::kLeave));
}

int Session::LockZones(Use use) {
  const Access access = use == Use::kWrite ? Access::kReadWrite : Access::kReadOnly;
  return Lock(zones_file_, ZoneFileIn(directory, access, MissingFile::kLeave));
}

// Loads never create a file: a missing one gives the defaults in memory,
// which the command's save writes, so a refused command leaves nothing behind.
// After a failed load the file takes no backup at its save: users.bak keeps
// what it holds.
int Session::LoadAccounts(Use use, Unreadable unreadable) {
  if (const int code = LockAccounts(use)) return code;
  const FileFailure failure = LoadAccountFile(accounts, *users_file_);
  accounts_failure_ = failure == FileFailure::kNotFound ? FileFailure::kNone : failure;
  accounts_loaded_.Forget();
  if (failure == FileFailure::kNone) accounts_loaded_.Take(accounts.records(), *users_file_);
  if (!accounts_read()) {
    // The rights of --as cannot be judged without the table.
    if (unreadable == Unreadable::kRefuse || !as_.empty()) {
      return FileProblem(failure, IDS_READ_USERS_FAILED, *users_file_, true);
    }
    accounts.LoadFailed();
  }
  if (as_.empty()) return kExitOk;
  const std::u16string name = FromUtf8(as_);
  for (const AccountRecord& record : accounts.records()) {
    if (record.type == kTypeUser && record.username == name) {
      acting_as_ = record;
      return kExitOk;
    }
  }
  Refuse(ToolText::kNoUserForAs, name, "--as");
  return kExitUsage;
}

int Session::LoadZones(Use use, Unreadable unreadable) {
  if (const int code = LockZones(use)) return code;
  const FileFailure failure = LoadZoneFile(zones, *zones_file_);
  zones_failure_ = failure == FileFailure::kNotFound ? FileFailure::kNone : failure;
  zones_loaded_.Forget();
  if (failure == FileFailure::kNone) zones_loaded_.Take(zones, *zones_file_);
  if (!zones_read() && unreadable == Unreadable::kRefuse) {
    return FileProblem(failure, IDS_LOAD_ZONES_FAILED, *zones_file_, true);
  }
  return kExitOk;
}

history::Author Session::Author() const {
  if (!acting_as_) return {"cli", std::nullopt};
  return {"cli", acting_as_->Name()};
}

int Session::SaveAccounts(std::string action, std::optional<history::RenameHint> rename) {
  const history::AccountChanges changes =
      history::ChangesOf(accounts_loaded_, accounts.records(), std::move(rename));
  history::HistoryObserver recording(Author(), &changes, std::move(action));
  const FileFailure failure = SaveAccountFile(accounts, *users_file_, &recording);
  if (failure != FileFailure::kNone) {
    return FileProblem(failure, IDS_WRITE_USERS_FAILED, *users_file_, false);
  }
  accounts_loaded_.Take(accounts.records(), *users_file_);
  return kExitOk;
}

int Session::SaveZones(std::string action) {
  const history::ZoneChanges changes = history::ChangesOf(zones_loaded_, zones);
  history::HistoryObserver recording(Author(), &changes, std::move(action));
  const FileFailure failure = SaveZoneFile(zones, *zones_file_, &recording);
  if (failure != FileFailure::kNone) {
    return FileProblem(failure, IDS_SAVE_ZONES_FAILED, *zones_file_, false);
  }
  zones_loaded_.Take(zones, *zones_file_);
  return kExitOk;
}

}  // namespace warden::ctl
