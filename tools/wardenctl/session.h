// One run of the tool: where the files are, which texts it speaks, the store
// it loaded, the locks it holds and the logged-in user it acts as. Every
// failure is printed here and handed back as the exit code.
#ifndef WARDEN_TOOLS_WARDENCTL_SESSION_H
#define WARDEN_TOOLS_WARDENCTL_SESSION_H

#include <cstdint>
#include <optional>
#include <string>

#include "accounts/account_record.h"
#include "accounts/account_table.h"
#include "accounts/builtin_names.h"
#include "history/history_observer.h"
#include "platform/module_file.h"
#include "storage/data_file.h"
#include "tools/wardenctl/tool_texts.h"
#include "tools/wardenctl/wardenctl.h"
#include "zones/zone_file.h"

namespace warden::ctl {

struct GlobalOptions {
  std::string dir;   // empty: the install directory from the profile
  std::string lang;  // "zh", "en" or empty: the component's language
  std::string as;    // empty: nobody logged in
};

// What a command does with a file. One that writes takes the file's lock
// (making the lock file) before its load and holds it until its save, so
// that no other program saves in between; one that only reads takes the
// lock when the lock file exists and creates nothing.
enum class Use { kRead, kWrite };

// What a load does with a file that exists but cannot be read: refuse, or
// (a command that replaces the whole content) go on with nothing loaded.
enum class Unreadable { kRefuse, kReplace };

class Session {
 public:
  Session(const GlobalOptions& options, Io io);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The data directory exists and is a directory; else prints why and
  // returns kExitFile.
  [[nodiscard]] int CheckLocation();

  // Each returns kExitOk or prints why not and returns the exit code.
  // Locks are taken users.dat first, then section.dat, by every command.
  [[nodiscard]] int LoadAccounts(Use use,
                                 Unreadable unreadable = Unreadable::kRefuse);  // applies --as
  [[nodiscard]] int LoadZones(Use use, Unreadable unreadable = Unreadable::kRefuse);
  [[nodiscard]] int LockAccounts(Use use);
  [[nodiscard]] int LockZones(Use use);
  // Each save is recorded in the history as `action` ("save" or "restore")
  // by --as; `rename` is the command's word that it renamed an account.
  [[nodiscard]] int SaveAccounts(std::string action = "save",
                                 std::optional<history::RenameHint> rename = std::nullopt);
  [[nodiscard]] int SaveZones(std::string action = "save");
  // False after a load that went on past an unreadable file.
  bool accounts_read() const { return accounts_failure_ == FileFailure::kNone; }
  bool zones_read() const { return zones_failure_ == FileFailure::kNone; }
  // The files, once locked for a use: never created by a load.
  DataFile& users_file() { return *users_file_; }
  DataFile& zones_file() { return *zones_file_; }
  // The user of --as once the accounts are loaded; null: nobody.
  const AccountRecord* acting_as() const { return acting_as_ ? &*acting_as_ : nullptr; }

  // Prints string-table text `id` (its %s or %d replaced by `argument`) on
  // stderr, after `field: ` when given, and returns kExitRefused.
  int Refuse(std::uint16_t id, const std::u16string& argument = {}, const std::string& field = {});
  int Refuse(ToolText text, const std::u16string& argument = {}, const std::string& field = {});
  int Usage(const std::string& message);
  // One line of text; nothing invisible at its end.
  void Say(std::ostream& out, const std::u16string& text);
  // Asks `question` on a terminal (stderr, answered y or yes); --yes answers
  // for a script. No lock is held while the question waits; the files are
  // loaded again after a yes. kExitOk when confirmed and nothing changed
  // meanwhile.
  [[nodiscard]] int Confirm(ToolText question, bool yes);

  // String-table text `id` in the chosen language.
  std::u16string Text(std::uint16_t id) const;
  std::u16string Text(ToolText text) const;
  bool english() const { return english_; }

  // A path in the data directory as the user writes it.
  std::string FilePath(const std::u16string& path) const;

  std::u16string directory;  // ends in a backslash, or is empty: no install directory
  AccountTable accounts;
  ZoneNames zones{};
  BuiltInNames builtin;
  Io io;

 private:
  int RefuseWith(const std::u16string& text, const std::u16string& argument,
                 const std::string& field);
  // y or yes, in any letter case.
  bool AnsweredYes(ToolText question);
  // Prints why `file` could not be read (`text` when not in use) or written,
  // and returns kExitFile.
  int FileProblem(FileFailure failure, std::uint16_t text, const DataFile& file, bool reading);
  int Lock(std::optional<DataFile>& file, DataFile made);

  history::Author Author() const;

  std::string as_;
  std::optional<AccountRecord> acting_as_;
  // What each file held when last loaded or saved: the history's old side.
  history::LoadedAccounts accounts_loaded_;
  history::LoadedZones zones_loaded_;
  platform::ResourceModule component_texts_ = nullptr;  // the component's language
  platform::ResourceModule message_texts_ = nullptr;    // --lang
  bool english_ = false;
  // Made by the first lock of each; let go while a person is asked.
  std::optional<DataFile> users_file_, zones_file_;
  FileFailure accounts_failure_ = FileFailure::kNone, zones_failure_ = FileFailure::kNone;
};

}  // namespace warden::ctl

#endif
