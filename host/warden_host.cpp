// warden_host: creates Warden's Config object by ProgID and does what the
// SCADA host does with it: counts and reads the groups and users, reads the
// zone names (from the install directory and from project directories),
// optionally adds a user and saves, and sets the logged-in user. It prints
// its own version and the one of the Warden.dll that COM loaded.
//
//   warden_host.exe [--add-user NAME] [--manage] [PROJECT_DIRECTORY ...]
#include <initguid.h>
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "warden_idl.h"
#include "warden_version.h"

namespace {

// UTF-16 to the console as it is, or UTF-8 to a pipe or file.
void Print(const std::wstring& text) {
  HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode = 0;
  DWORD written = 0;
  if (GetConsoleMode(out, &mode)) {
    WriteConsoleW(out, text.c_str(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                       nullptr, 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Hex(HRESULT result) {
  wchar_t text[16];
  swprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(result));
  return text;
}

std::wstring Text(const wchar_t* text) { return text ? text : L""; }

// "1.1.0.0 C:\...\Warden.dll": what the loaded DLL's version resource
// declares, as an inventory tool reads it.
std::wstring LoadedWardenVersion() {
  wchar_t path[MAX_PATH] = {};
  HMODULE module = GetModuleHandleW(L"Warden.dll");
  if (!module || !GetModuleFileNameW(module, path, MAX_PATH)) return L"(not found)";
  DWORD unused = 0;
  const DWORD size = GetFileVersionInfoSizeW(path, &unused);
  std::vector<BYTE> info(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoW(path, 0, size, info.data()) ||
      !VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
      length < sizeof(VS_FIXEDFILEINFO)) {
    return std::wstring(L"(no version) ") + path;
  }
  return std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
         std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
         std::to_wstring(LOWORD(fixed->dwFileVersionLS)) + L" " + path;
}

// Reports a failed call with its result and the object's last-error code.
bool Check(IConfig* config, const wchar_t* call, HRESULT result) {
  if (SUCCEEDED(result)) return true;
  short error = 0;
  const HRESULT asked = config->GetLastError(&error);
  Print(std::wstring(L"  ! ") + call + L" failed: " + Hex(result) + L", last error " +
        (SUCCEEDED(asked) ? std::to_wstring(error) : L"unknown") + L"\n");
  return false;
}

// Zone numbers as ranges: "1-5, 9".
std::wstring Zones(const short* flags) {
  std::wstring text;
  for (int zone = 0; zone < 64; ++zone) {
    if (flags[zone] != 1) continue;
    int last = zone;
    while (last + 1 < 64 && flags[last + 1] == 1) ++last;
    if (!text.empty()) text += L", ";
    text += std::to_wstring(zone);
    if (last > zone) text += L"-" + std::to_wstring(last);
    zone = last;
  }
  return text.empty() ? L"(none)" : text;
}

void PrintAccount(const USER_idl& account) {
  if (account.type == 2) {
    Print(L"  group " + Text(account.groupname) + L"  (" + Text(account.groupcomment) +
          L")  zones " + Zones(account.sectionid) + L"\n");
    return;
  }
  Print(L"    user " + Text(account.username) + L"  in " +
        (account.groupname ? Text(account.groupname) : L"(no group)") + L", priority " +
        std::to_wstring(account.userpri) + L", timeout " + std::to_wstring(account.limitTime) +
        L" min, " + (account.password ? L"password set" : L"no password") + L", zones " +
        Zones(account.sectionid) + L"\n");
}

// GetUserNum then GetAllUser with the same kind of NetPath.
bool ReadAccounts(IConfig* config, BSTR net_path, std::vector<USER_idl>* accounts) {
  short count = 0;
  if (!Check(config, L"GetUserNum", config->GetUserNum(&count, net_path))) return false;
  accounts->assign(static_cast<std::size_t>(count), USER_idl{});
  return Check(config, L"GetAllUser", config->GetAllUser(count, accounts->data(), net_path));
}

void Show(IConfig* config, const std::wstring& directory) {
  BSTR net_path = SysAllocString(directory.c_str());
  Print(L"\n== " + (directory.empty() ? L"install directory" : L"project " + directory) + L"\n");
  std::vector<USER_idl> accounts;
  if (ReadAccounts(config, net_path, &accounts)) {
    Print(std::to_wstring(accounts.size()) + L" groups and users:\n");
    for (const USER_idl& account : accounts) PrintAccount(account);
  }
  Section_idl zones[64] = {};
  if (Check(config, L"GetAllSection", config->GetAllSection(zones, net_path))) {
    for (int first = 0; first < 64; first += 16) {
      wchar_t label[32];
      swprintf(label, 32, L"%ls%2d-%2d:", first == 0 ? L"zones " : L"      ", first, first + 15);
      std::wstring row = label;
      for (int zone = first; zone < first + 16; ++zone) row += L" " + Text(zones[zone].sectionname);
      Print(row + L"\n");
    }
  }
  SysFreeString(net_path);
}

void AddUser(IConfig* config, const std::wstring& name) {
  std::vector<USER_idl> accounts;
  BSTR none = SysAllocString(L"");
  const bool read = ReadAccounts(config, none, &accounts);
  SysFreeString(none);
  if (!read || accounts.empty()) return;
  USER_idl user{};
  user.type = 1;
  user.sectionid[1] = user.sectionid[2] = 1;
  user.groupname = accounts[0].groupname;
  user.username = const_cast<wchar_t*>(name.c_str());
  user.password = const_cast<wchar_t*>(L"secret");
  user.usercomment = const_cast<wchar_t*>(L"added by warden_host");
  user.userpri = 100;
  user.limitTime = 30;
  accounts.push_back(user);
  const short count = static_cast<short>(accounts.size());
  if (Check(config, L"SaveAllUsers", config->SaveAllUsers(count, accounts.data()))) {
    Print(L"\nsaved " + std::to_wstring(count) + L" groups and users, with " + name + L"\n");
  }
}

void LogIn(IConfig* config) {
  std::vector<USER_idl> accounts;
  BSTR none = SysAllocString(L"");
  const bool read = ReadAccounts(config, none, &accounts);
  SysFreeString(none);
  for (USER_idl& account : accounts) {
    if (read && account.type == 1) {
      if (Check(config, L"SetCurUser", config->SetCurUser(&account))) {
        Print(L"\nlogged in as " + Text(account.username) + L"\n");
      }
      return;
    }
  }
}

int Run(IConfig* config, int argc, wchar_t** argv) {
  bool manage = false;
  std::vector<std::wstring> projects;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--add-user" && i + 1 < argc) {
      AddUser(config, argv[++i]);
    } else if (argument == L"--manage") {
      manage = true;
    } else {
      projects.push_back(argument);
    }
  }
  Show(config, L"");
  LogIn(config);
  for (const std::wstring& project : projects) Show(config, project);
  if (manage) Check(config, L"ManageDoModal", config->ManageDoModal(nullptr));
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Print(L"warden_host " WARDEN_VERSION_W L"\n");
  HRESULT result = CoInitialize(nullptr);
  if (FAILED(result)) {
    Print(L"CoInitialize failed: " + Hex(result) + L"\n");
    return 1;
  }
  CLSID clsid{};
  IConfig* config = nullptr;
  result = CLSIDFromProgID(L"Warden.Config", &clsid);
  if (SUCCEEDED(result)) {
    result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IConfig,
                              reinterpret_cast<void**>(&config));
  }
  int exit_code = 1;
  if (FAILED(result)) {
    Print(L"cannot create Warden.Config: " + Hex(result) + L" (is Warden.dll registered?)\n");
  } else {
    Print(L"created Warden.Config, Warden.dll " + LoadedWardenVersion() + L"\n");
    exit_code = Run(config, argc, argv);
    config->Release();
  }
  CoUninitialize();
  return exit_code;
}
