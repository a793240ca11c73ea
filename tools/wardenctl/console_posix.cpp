#include <unistd.h>

#include "platform/posix_path.h"
#include "tools/wardenctl/console.h"

namespace warden::ctl {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }

std::unique_ptr<std::streambuf> ConsoleBuffer(bool) { return nullptr; }

std::u16string CorePathFromArgument(const std::string& utf8) { return platform::CorePath(utf8); }

std::string DisplayPath(const std::u16string& core) { return platform::NativePath(core); }

}  // namespace warden::ctl
