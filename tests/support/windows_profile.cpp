#include "tests/support/windows_profile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <cstdlib>
#endif

#include "platform/text.h"

namespace warden::testing {

void WindowsProfile::SetInstallDirectory(const std::u16string& directory) {
  Set(u"Velm50", u"ApplicationDirectory", directory);
  Set(u"Velm51", u"ApplicationDirectory", directory);
}

#ifdef _WIN32

namespace {
const wchar_t* W(const std::u16string& s) { return reinterpret_cast<const wchar_t*>(s.c_str()); }
}  // namespace

WindowsProfile::WindowsProfile() = default;

WindowsProfile::~WindowsProfile() {
  for (const auto& [section, key] : written_) WriteProfileStringW(W(section), W(key), nullptr);
}

void WindowsProfile::Set(const std::u16string& section, const std::u16string& key,
                         const std::u16string& value) {
  WriteProfileStringW(W(section), W(key), W(value));
  written_.emplace_back(section, key);
}

#else

WindowsProfile::WindowsProfile() {
  if (const char* previous = std::getenv("WARDEN_WIN_INI")) {
    previous_ = previous;
    had_previous_ = true;
  }
  setenv("WARDEN_WIN_INI", (dir_.path() / "win.ini").c_str(), 1);
}

WindowsProfile::~WindowsProfile() {
  if (had_previous_) {
    setenv("WARDEN_WIN_INI", previous_.c_str(), 1);
  } else {
    unsetenv("WARDEN_WIN_INI");
  }
}

void WindowsProfile::Set(const std::u16string& section, const std::u16string& key,
                         const std::u16string& value) {
  for (auto& entry : values_) {
    if (entry.first == std::make_pair(section, key)) {
      entry.second = value;
      Rewrite();
      return;
    }
  }
  values_.push_back({{section, key}, value});
  Rewrite();
}

void WindowsProfile::Rewrite() {
  std::string text;
  for (const auto& [where, value] : values_) {
    text += "[" + platform::ToUtf8(where.first) + "]\n" + platform::ToUtf8(where.second) + "=" +
            platform::ToUtf8(value) + "\n";
  }
  WriteText(dir_ / "win.ini", text);
}

#endif

}  // namespace warden::testing
