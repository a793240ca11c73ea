#include "tests/support/windows_profile.h"

#include <cstdlib>

#include "platform/text.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace warden::testing {

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

WindowsProfile::WindowsProfile() { setenv("WARDEN_WIN_INI", (dir_ / "win.ini").c_str(), 1); }

WindowsProfile::~WindowsProfile() { unsetenv("WARDEN_WIN_INI"); }

// The first value found counts, so a value set again goes first.
void WindowsProfile::Set(const std::u16string& section, const std::u16string& key,
                         const std::u16string& value) {
  text_.insert(0, platform::ToUtf8(u"[" + section + u"]\n" + key + u"=" + value + u"\n"));
  WriteText(dir_ / "win.ini", text_);
}

#endif

}  // namespace warden::testing
