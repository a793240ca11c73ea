#include "tools/wardenctl/wardenctl.h"

#include <algorithm>
#include <functional>
#include <optional>

#include <CLI/CLI.hpp>

#include "tools/wardenctl/commands.h"
#include "tools/wardenctl/history_commands.h"
#include "tools/wardenctl/session.h"
#include "warden_version.h"

namespace warden::ctl {
namespace {

constexpr const char* kDescription =
    "Administers the accounts (users.dat) and zone names (section.dat) of a Warden "
    "installation with the rules of the component's own dialogs.";

constexpr const char* kFooter =
    "Exit codes: 0 done, or nothing to change; 1 refused by a rule or a problem in the input "
    "(the message on stderr, nothing written); 2 a directory or file could not be read or "
    "written, or another program held the files for more than 5 s; 64 the command line is "
    "wrong, or a confirmation is missing.\n"
    "wardenctl COMMAND --help describes the arguments of a command.";

constexpr const char* kDirHelp =
    "directory holding users.dat and section.dat; default: the install directory from the "
    "Windows profile, as the component finds it. It must exist. A directory named here is read "
    "and written like the install directory: the tool is run by an administrator on purpose.";

using Command = std::function<int(Session&)>;

void AddFieldOptions(CLI::App* command, AccountOptions& options, bool user, bool modify) {
  if (modify) command->add_option("--name", options.new_name, "new name");
  command->add_option("--comment", options.comment, "comment");
  command->add_option("--zones", options.zones,
                      "zones, e.g. 1,3,5-9; 0 alone: the no-zone zone; \"\": no zone");
  if (!user) return;
  CLI::Option* group = command->add_option("--group", options.group, "group to join");
  if (modify) command->add_flag("--no-group", options.no_group, "leave the group")->excludes(group);
  CLI::Option* password =
      command->add_option("--password", options.password, "password (seen by other users' ps)");
  CLI::Option* from_stdin = command
                                ->add_flag("--password-stdin", options.password_stdin,
                                           "read the password from the first line of stdin")
                                ->excludes(password);
  command
      ->add_flag("--password-prompt", options.password_prompt,
                 std::string("type the password twice on the terminal, unseen") +
                     (modify ? "" : "; what add-user does on a terminal without --password*"))
      ->excludes(password)
      ->excludes(from_stdin);
  command->add_flag("--allow-empty-passwords", options.allow_empty_passwords,
                    "let the user have an empty password (refused otherwise)");
  command->add_option("--timeout", options.timeout, "login timeout in minutes, 0..255");
  command->add_option("--priority", options.priority, "priority, 0..999");
}

// Everything the command line sets, and the command it chose.
struct CommandLine {
  GlobalOptions global;
  AccountOptions fields;
  ImportOptions import;
  std::string name;
  std::string path;
  int zone = 0;
  bool json = false;
  bool show_password = false;
  bool with_passwords = false;
  bool dry_run = false;
  bool yes = false;
  std::uint64_t generation = 0;
  Command run;
};

void DefineAccountCommands(CLI::App& app, CommandLine& v) {
  auto* list = app.add_subcommand("list",
                                  "the tree of groups and users, as the manage dialog "
                                  "shows it; users of unknown groups last, marked");
  list->add_flag("--json", v.json, "as JSON, format warden-account-tree");
  list->callback([&v] { v.run = [&v](Session& s) { return ListAccounts(s, v.json); }; });

  auto* show = app.add_subcommand("show", "one account, every field");
  show->add_option("NAME", v.name, "the account's name, exactly")->required();
  show->add_flag("--json", v.json, "as JSON, format warden-account");
  show->add_flag("--show-password", v.show_password, "the password itself, not set/empty");
  show->callback([&v] {
    v.run = [&v](Session& s) { return ShowAccount(s, v.name, v.json, v.show_password); };
  });

  for (bool user : {false, true}) {
    auto* add = app.add_subcommand(
        user ? "add-user" : "add-group",
        user ? "a new user, as New in the editor" : "a new group, as New in the editor");
    add->add_option("NAME", v.name, "its name")->required();
    AddFieldOptions(add, v.fields, user, false);
    add->callback([&v, user] {
      v.run = [&v, user](Session& s) { return AddAccount(s, user, v.name, v.fields); };
    });
  }

  auto* set = app.add_subcommand(
      "set", "change an account, as Modify (a group's users follow its new name)");
  set->add_option("NAME", v.name, "the account's name, exactly")->required();
  AddFieldOptions(set, v.fields, true, true);
  set->callback([&v] { v.run = [&v](Session& s) { return SetAccount(s, v.name, v.fields); }; });

  auto* remove = app.add_subcommand(
      "delete", "delete an account, as Delete (not built-in names, groups with users)");
  remove->add_option("NAME", v.name, "the account's name, exactly")->required();
  remove->callback([&v] { v.run = [&v](Session& s) { return DeleteAccount(s, v.name); }; });
}

void DefineOtherCommands(CLI::App& app, CommandLine& v) {
  auto* zones = app.add_subcommand("zones", "the 64 zone names with their numbers");
  zones->add_flag("--json", v.json, "as JSON, format warden-zones");
  zones->callback([&v] { v.run = [&v](Session& s) { return ListZones(s, v.json); }; });

  auto* rename = app.add_subcommand("rename-zone", "rename zone N, as the zone rename dialog");
  rename->add_option("N", v.zone, "the zone's number, 0..63")->required();
  rename->add_option("NAME", v.name, "its new name")->required();
  rename->callback([&v] { v.run = [&v](Session& s) { return RenameZone(s, v.zone, v.name); }; });

  auto* exporting = app.add_subcommand(
      "export", "the table and the zone names as JSON, format warden-accounts, for import");
  exporting->add_flag("--with-passwords", v.with_passwords, "include the passwords, in clear");
  exporting->callback(
      [&v] { v.run = [&v](Session& s) { return ExportAll(s, v.with_passwords); }; });

  auto* importing = app.add_subcommand(
      "import",
      "replace the table (and the zone names, if present) by a file's, after checking all of "
      "it; all or nothing. Lists what is added (+), dropped (-) and changed (~)");
  importing->add_option("FILE", v.path, "a file export wrote; - reads stdin")->required();
  importing->add_flag("--dry-run", v.dry_run, "check and list only, write nothing");
  importing->add_flag("--merge", v.import.merge,
                      "add the file's accounts or replace those of their names; all others stay");
  importing->add_flag("--yes", v.yes,
                      "drop accounts without asking (needed when not on a terminal)");
  importing->add_flag("--allow-empty-passwords", v.import.allow_empty_passwords,
                      "let users new here without a password in the file have an empty one");
  importing->callback([&v] {
    v.run = [&v](Session& s) { return ImportAll(s, v.path, v.import, v.dry_run, v.yes); };
  });

  auto* verify = app.add_subcommand(
      "verify", "check users.dat, users.bak and section.dat; creates and changes nothing");
  verify->add_flag("--json", v.json, "as JSON, format warden-verify-report");
  verify->callback([&v] { v.run = [&v](Session& s) { return Verify(s, v.json); }; });

  auto* restore = app.add_subcommand(
      "restore-backup",
      "put the content of users.bak in place, after showing what changes; works when "
      "users.dat cannot be read");
  restore->add_flag("--yes", v.yes, "do not ask (needed when not on a terminal)");
  restore->add_option("--generation", v.generation,
                      "instead of users.bak, the generation the history keeps under this seq "
                      "(users.dat or section.dat; wardenctl history lists them)");
  restore->callback(
      [&v] { v.run = [&v](Session& s) { return RestoreBackup(s, v.yes, v.generation); }; });
}

void DefineCommandLine(CLI::App& app, CommandLine& v) {
  app.add_option("--dir", v.global.dir, kDirHelp);
  app.add_option("--lang", v.global.lang, "language of the messages; default: the component's")
      ->check(CLI::IsMember({"zh", "en"}));
  app.add_option("--as", v.global.as,
                 "apply the rights of this user, as the manage dialog does for the logged-in "
                 "user; default: nobody logged in");
  app.require_subcommand(1);
  DefineAccountCommands(app, v);
  DefineOtherCommands(app, v);
  DefineHistoryCommands(app, &v.run);
  app.footer(kFooter);
  for (CLI::App* command : app.get_subcommands({})) command->footer(kFooter);
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
  std::vector<std::size_t> row(b.size() + 1);
  for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= a.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= b.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = above;
    }
  }
  return row[b.size()];
}

// The first word that is neither an option nor a global option's value.
std::optional<std::string> CommandWord(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--dir" || args[i] == "--lang" || args[i] == "--as") {
      ++i;
    } else if (args[i].empty() || args[i][0] != '-') {
      return args[i];
    }
  }
  return std::nullopt;
}

// An unknown command named, with the nearest known one when it is close.
bool RefuseUnknownCommand(CLI::App& app, const std::vector<std::string>& args, Io io) {
  const std::optional<std::string> word = CommandWord(args);
  if (!word) return false;
  std::string nearest;
  std::size_t distance = SIZE_MAX;
  for (const CLI::App* command : app.get_subcommands({})) {
    const std::size_t d = EditDistance(*word, command->get_name());
    if (d == 0) return false;
    if (d < distance) distance = d, nearest = command->get_name();
  }
  io.err << "wardenctl: unknown command \"" << *word << '"';
  if (distance <= std::max<std::size_t>(2, word->size() / 3)) {
    io.err << "; did you mean " << nearest << '?';
  }
  io.err << "\nRun with --help for the commands.\n";
  return true;
}

}  // namespace

int RunWardenctl(const std::vector<std::string>& args, Io io) {
  CLI::App app(kDescription, "wardenctl");
  app.set_version_flag("--version", "wardenctl " WARDEN_VERSION);
  CommandLine command_line;
  DefineCommandLine(app, command_line);
  if (RefuseUnknownCommand(app, args, io)) return kExitUsage;
  std::vector<std::string> reversed(args.rbegin(), args.rend());  // CLI11 takes them backwards
  try {
    app.parse(reversed);
  } catch (const CLI::ParseError& error) {
    const int code = app.exit(error, io.out, io.err);
    return code == 0 ? kExitOk : kExitUsage;
  }
  // Failures are values below; what still throws (memory) ends here, not in a crash.
  try {
    Session session(command_line.global, io);
    if (const int code = session.CheckLocation()) return code;
    return command_line.run(session);
  } catch (const std::exception& error) {
    io.err << "wardenctl: " << error.what() << '\n';
    return kExitFile;
  }
}

}  // namespace warden::ctl
