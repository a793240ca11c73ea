#include "tests/wine/installed_copy.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/built_files.h"

namespace warden::testing {

std::wstring W(const std::u16string& text) { return std::wstring(text.begin(), text.end()); }
std::wstring Text(const wchar_t* text) { return text ? text : L"<null>"; }

InstalledCopy::InstalledCopy() {
  namespace fs = std::filesystem;
  const fs::path built = BuiltInstallFile("");
  fs::copy_file(built / "Warden.dll", dir_ / "Warden.dll");
  for (const char* folder : {"Config", "Lang"})
    fs::copy(built / folder, dir_ / folder, fs::copy_options::recursive);
  fs::create_directories(dir_ / "Data");
}

void InstalledCopy::SetLanguage(const std::string& value) {
  WriteText(dir_ / "Config" / "Language.ini", "[Language]\nVelmarisLanguage=" + value + "\n");
}

std::wstring InstalledCopy::DllPath() const { return W(dir_.core("Warden.dll")); }
std::wstring InstalledCopy::DataDirectory() const { return W(dir_.core("Data")); }

DWORD RunRegsvr32(const std::wstring& arguments, const std::wstring& dll) {
  std::wstring command = L"regsvr32.exe " + arguments + L" \"" + dll + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return ~0u;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = ~0u;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

RegisteredConfig::~RegisteredConfig() {
  if (config) config->Release();
  CoUninitialize();
  RunRegsvr32(L"/s /u", copy.DllPath());
}

void RegisteredConfig::Create(const std::string& language) {
  if (!language.empty()) copy.SetLanguage(language);
  ASSERT_EQ(RunRegsvr32(L"/s", copy.DllPath()), 0u);
  const std::wstring data = copy.DataDirectory();
  profile.SetInstallDirectory(std::u16string(data.begin(), data.end()));
  CoInitialize(nullptr);
  CLSID clsid{};  // through the ProgID, as a host makes it
  ASSERT_EQ(CLSIDFromProgID(L"Warden.Config", &clsid), S_OK);
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IConfig,
                             reinterpret_cast<void**>(&config)),
            S_OK);
}

}  // namespace warden::testing
