#include <windows.h>

#include <io.h>
#include <shellapi.h>

#include <algorithm>

#include "platform/text.h"
#include "platform/win32_text.h"
#include "tools/wardenctl/console.h"

namespace warden::ctl {

// argv is in the ANSI code page; the wide command line holds every name.
std::vector<std::string> CommandLineArguments(int, char**) {
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

// In pieces the console takes at once, never splitting a surrogate pair.
static bool WriteToConsole(HANDLE console, const std::u16string& text) {
  const wchar_t* at = platform::Wide(text);
  std::size_t left = text.size();
  while (left > 0) {
    DWORD piece = static_cast<DWORD>(std::min<std::size_t>(left, 8192));
    if (piece < left && IS_HIGH_SURROGATE(at[piece - 1])) --piece;
    DWORD written = 0;
    if (!WriteConsoleW(console, at, piece, &written, nullptr) || written == 0) return false;
    at += written;
    left -= written;
  }
  return true;
}

// Written byte by byte, as the C runtime does, the console would take each
// byte of a character on its own; UTF-16 through the console is shown as written.
std::unique_ptr<std::streambuf> ConsoleBuffer(bool error) {
  const HANDLE handle = GetStdHandle(error ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  if (handle == nullptr || handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode)) {
    return nullptr;
  }
  return std::make_unique<LineBuffer>(
      [handle](const std::u16string& text) { return WriteToConsole(handle, text); });
}

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
