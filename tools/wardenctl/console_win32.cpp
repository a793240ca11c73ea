#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include "platform/text.h"
#include "tools/wardenctl/console.h"

namespace warden::ctl {

// argv is in the ANSI code page; the wide command line holds every name.
std::vector<std::string> CommandLineArguments(int, char**) {
  SetConsoleOutputCP(CP_UTF8);
  int count = 0;
  LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> args;
  for (int i = 1; wide && i < count; ++i) {
    args.push_back(platform::ToUtf8(reinterpret_cast<const char16_t*>(wide[i])));
  }
  LocalFree(wide);
  return args;
}

bool StdinIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

std::u16string CorePathFromArgument(const std::string& utf8) { return platform::FromUtf8(utf8); }

std::string DisplayPath(const std::u16string& core) { return platform::ToUtf8(core); }

}  // namespace warden::ctl
