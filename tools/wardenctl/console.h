// What differs between the systems at the tool's edge: arguments as UTF-8,
// the console, and paths as the user writes them.
#ifndef WARDEN_TOOLS_WARDENCTL_CONSOLE_H
#define WARDEN_TOOLS_WARDENCTL_CONSOLE_H

#include <string>
#include <vector>

namespace warden::ctl {

// The arguments after the program name, in UTF-8; sets the console to UTF-8.
std::vector<std::string> CommandLineArguments(int argc, char** argv);
bool StdinIsTerminal();
// Turns the echo of what is typed on the terminal off or back on.
void SetEcho(bool on);

enum class PathKind { kNone, kDirectory, kOther };
// What a core path names.
PathKind KindOf(const std::u16string& core);

// A path as typed on the command line, in the core's form ('\' separators).
std::u16string CorePathFromArgument(const std::string& utf8);
// A core path as the user writes it.
std::string DisplayPath(const std::u16string& core);

}  // namespace warden::ctl

#endif
