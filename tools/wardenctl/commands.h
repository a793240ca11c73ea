// The commands of wardenctl. Each takes a session whose location and
// language are resolved, loads what it needs, and returns the exit code;
// nothing is written unless every check passed and something changes.
#ifndef WARDEN_TOOLS_WARDENCTL_COMMANDS_H
#define WARDEN_TOOLS_WARDENCTL_COMMANDS_H

#include <cstdint>
#include <optional>
#include <string>

#include "tools/wardenctl/session.h"
#include "tools/wardenctl/transfer.h"

namespace warden::ctl {

// The fields add-user, add-group and set may be given; unset ones keep
// what the editor would show.
struct AccountOptions {
  std::optional<std::string> new_name;
  std::optional<std::string> group;
  bool no_group = false;
  std::optional<std::string> password;
  bool password_stdin = false;
  bool password_prompt = false;
  bool allow_empty_passwords = false;
  std::optional<std::string> comment;
  std::optional<long long> timeout;
  std::optional<long long> priority;
  std::optional<std::string> zones;
};

int ListAccounts(Session& session, bool json);
int ShowAccount(Session& session, const std::string& name, bool json, bool show_password);
int ListZones(Session& session, bool json);
int AddAccount(Session& session, bool user, const std::string& name, const AccountOptions& options);
int SetAccount(Session& session, const std::string& name, const AccountOptions& options);
int DeleteAccount(Session& session, const std::string& name);
int RenameZone(Session& session, int zone, const std::string& name);

int ExportAll(Session& session, bool with_passwords);
// Writes nothing with `dry_run`; dropping records needs `yes` or a terminal's answer.
int ImportAll(Session& session, const std::string& path, const ImportOptions& options, bool dry_run,
              bool yes);
int Verify(Session& session, bool json);
// `generation`: the seq of a kept generation to restore instead of users.bak (0: none).
int RestoreBackup(Session& session, bool yes, std::uint64_t generation = 0);

}  // namespace warden::ctl

#endif
