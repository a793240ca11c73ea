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

void SetEcho(bool on) {
  const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (!GetConsoleMode(input, &mode)) return;
  SetConsoleMode(input, on ? (mode | ENABLE_ECHO_INPUT) : (mode & ~DWORD{ENABLE_ECHO_INPUT}));
}

PathKind KindOf(const std::u16string& core) {
  const DWORD attributes = GetFileAttributesW(reinterpret_cast<const wchar_t*>(core.c_str()));
  if (attributes == INVALID_FILE_ATTRIBUTES) return PathKind::kNone;
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::kDirectory : PathKind::kOther;
}

std::u16string CorePathFromArgument(const std::string& utf8) { return platform::FromUtf8(utf8); }

std::string DisplayPath(const std::u16string& core) { return platform::ToUtf8(core); }

}  // namespace warden::ctl
