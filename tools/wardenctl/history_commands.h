// wardenctl history: the trail of every save, read back; and its check.
#ifndef WARDEN_TOOLS_WARDENCTL_HISTORY_COMMANDS_H
#define WARDEN_TOOLS_WARDENCTL_HISTORY_COMMANDS_H

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "storage/data_file.h"

namespace CLI {
class App;
}

namespace warden::ctl {

class Session;

// Adds `history` (and `history verify`) to the command line; the chosen
// command is handed to `*run`.
void DefineHistoryCommands(CLI::App& app, std::function<int(Session&)>* run);

// When the location keeps a history: checks it, adds the result to `*report`
// as "history" (or, without one, prints it) and returns its exit code; -1
// when no history is kept.
int VerifyHistoryIfKept(Session& session, nlohmann::ordered_json* report);

// Generation `seq` of the data file `file`, to be read only.
DataFile GenerationFile(const Session& session, std::string_view file, std::uint64_t seq);
// restore-backup --generation of a section.dat generation: its zone names in
// place, after showing which change and asking.
int RestoreZoneGeneration(Session& session, bool yes, std::uint64_t generation);

}  // namespace warden::ctl

#endif
