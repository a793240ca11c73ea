#include "tools/wardenctl/wardenctl.h"

#include <functional>

#include <CLI/CLI.hpp>

#include "tools/wardenctl/commands.h"
#include "tools/wardenctl/session.h"
#include "warden_version.h"

namespace warden::ctl {
namespace {

constexpr const char* kDescription =
    "Administers the accounts (users.dat) and zone names (section.dat) of a Warden "
    "installation with the rules of the component's own dialogs.";

constexpr const char* kDirHelp =
    "directory holding users.dat and section.dat; default: the install directory from the "
    "Windows profile, as the component finds it. A directory named here is read and written "
    "like the install directory: the tool is run by an administrator on purpose.";

using Command = std::function<int(Session&)>;

void AddFieldOptions(CLI::App* command, AccountOptions& options, bool user, bool modify) {
  if (modify) command->add_option("--name", options.new_name, "new name");
  command->add_option("--comment", options.comment, "comment");
  command->add_option("--zones", options.zones, "zones, e.g. 1,3,5-9; 0 alone: no zone");
  if (!user) return;
  CLI::Option* group = command->add_option("--group", options.group, "group to join");
  if (modify) command->add_flag("--no-group", options.no_group, "leave the group")->excludes(group);
  CLI::Option* password = command->add_option("--password", options.password, "password");
  command->add_flag("--password-stdin", options.password_stdin, "read the password from stdin")
      ->excludes(password);
  command->add_option("--timeout", options.timeout, "login timeout in minutes, 0..255");
  command->add_option("--priority", options.priority, "priority, 0..999");
}

// Everything the command line sets, and the command it chose.
struct CommandLine {
  GlobalOptions global;
  AccountOptions fields;
  std::string name;
  std::string path;
  int zone = 0;
  bool json = false;
  bool show_password = false;
  bool with_passwords = false;
  bool dry_run = false;
  bool yes = false;
  Command run;
};

void DefineAccountCommands(CLI::App& app, CommandLine& v) {
  auto* list = app.add_subcommand("list",
                                  "the tree of groups and users, as the manage dialog "
                                  "shows it; users of unknown groups last, marked");
  list->add_flag("--json", v.json);
  list->callback([&v] { v.run = [&v](Session& s) { return ListAccounts(s, v.json); }; });

  auto* show = app.add_subcommand("show", "one account, every field");
  show->add_option("NAME", v.name)->required();
  show->add_flag("--json", v.json);
  show->add_flag("--show-password", v.show_password, "the password itself, not set/empty");
  show->callback([&v] {
    v.run = [&v](Session& s) { return ShowAccount(s, v.name, v.json, v.show_password); };
  });

  for (bool user : {false, true}) {
    auto* add = app.add_subcommand(
        user ? "add-user" : "add-group",
        user ? "a new user, as New in the editor" : "a new group, as New in the editor");
    add->add_option("NAME", v.name)->required();
    AddFieldOptions(add, v.fields, user, false);
    add->callback([&v, user] {
      v.run = [&v, user](Session& s) { return AddAccount(s, user, v.name, v.fields); };
    });
  }

  auto* set = app.add_subcommand(
      "set", "change an account, as Modify (a group's users follow its new name)");
  set->add_option("NAME", v.name)->required();
  AddFieldOptions(set, v.fields, true, true);
  set->callback([&v] { v.run = [&v](Session& s) { return SetAccount(s, v.name, v.fields); }; });

  auto* remove = app.add_subcommand(
      "delete", "delete an account, as Delete (not built-in names, groups with users)");
  remove->add_option("NAME", v.name)->required();
  remove->callback([&v] { v.run = [&v](Session& s) { return DeleteAccount(s, v.name); }; });
}

void DefineOtherCommands(CLI::App& app, CommandLine& v) {
  auto* zones = app.add_subcommand("zones", "the 64 zone names with their numbers");
  zones->add_flag("--json", v.json);
  zones->callback([&v] { v.run = [&v](Session& s) { return ListZones(s, v.json); }; });

  auto* rename = app.add_subcommand("rename-zone", "rename zone N, as the zone rename dialog");
  rename->add_option("N", v.zone)->required();
  rename->add_option("NAME", v.name)->required();
  rename->callback([&v] { v.run = [&v](Session& s) { return RenameZone(s, v.zone, v.name); }; });

  auto* exporting = app.add_subcommand("export", "the table and the zone names as JSON");
  exporting->add_flag("--with-passwords", v.with_passwords);
  exporting->callback(
      [&v] { v.run = [&v](Session& s) { return ExportAll(s, v.with_passwords); }; });

  auto* importing =
      app.add_subcommand("import",
                         "replace the table (and the zone names, if present) by a file's, after "
                         "checking all of it; all or nothing. FILE - reads stdin");
  importing->add_option("FILE", v.path)->required();
  importing->add_flag("--dry-run", v.dry_run, "check only, write nothing");
  importing->callback(
      [&v] { v.run = [&v](Session& s) { return ImportAll(s, v.path, v.dry_run); }; });

  auto* verify = app.add_subcommand("verify", "check users.dat, users.bak and section.dat");
  verify->add_flag("--json", v.json);
  verify->callback([&v] { v.run = [&v](Session& s) { return Verify(s, v.json); }; });

  auto* restore = app.add_subcommand(
      "restore-backup", "put the content of users.bak in place, after showing what changes");
  restore->add_flag("--yes", v.yes, "do not ask (needed when not on a terminal)");
  restore->callback([&v] { v.run = [&v](Session& s) { return RestoreBackup(s, v.yes); }; });
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
}

}  // namespace

int RunWardenctl(const std::vector<std::string>& args, Io io) {
  CLI::App app(kDescription, "wardenctl");
  app.set_version_flag("--version", "wardenctl " WARDEN_VERSION);
  CommandLine command_line;
  DefineCommandLine(app, command_line);
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
    return command_line.run(session);
  } catch (const std::exception& error) {
    io.err << "wardenctl: " << error.what() << '\n';
    return kExitFile;
  }
}

}  // namespace warden::ctl
