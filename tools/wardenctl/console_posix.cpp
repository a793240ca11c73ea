#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include "platform/posix_path.h"
#include "tools/wardenctl/console.h"

namespace warden::ctl {

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) != 0; }

std::unique_ptr<std::streambuf> ConsoleBuffer(bool) { return nullptr; }

void SetEcho(bool on) {
  termios mode{};
  if (tcgetattr(STDIN_FILENO, &mode) != 0) return;
  mode.c_lflag = on ? (mode.c_lflag | ECHO) : (mode.c_lflag & ~static_cast<tcflag_t>(ECHO));
  tcsetattr(STDIN_FILENO, TCSANOW, &mode);
}

PathKind KindOf(const std::u16string& core) {
  struct stat status {};
  if (::stat(platform::NativePath(core).c_str(), &status) != 0) return PathKind::kNone;
  return S_ISDIR(status.st_mode) ? PathKind::kDirectory : PathKind::kOther;
}

std::u16string CorePathFromArgument(const std::string& utf8) { return platform::CorePath(utf8); }

std::string DisplayPath(const std::u16string& core) { return platform::NativePath(core); }

}  // namespace warden::ctl
