// manage_dialog_bench: how long the real manage dialog takes to open on a
// table of N records, from IConfig::ManageDoModal until the dialog is shown
// with its tree filled and painted. Loads the built Warden.dll beside it
// (<build>/Warden), writes users.dat through SaveAllUsers into a temporary
// install directory, and needs a display (run it under xvfb-run).
//
//   manage_dialog_bench.exe [RECORDS ...]     (default: 4 1000 32767)
//
// A table is groups of 31 users (1000 groups at most) and then users
// without a group: 32767 records are 1000 groups, 31000 users in them and
// 767 without a group.
#include <initguid.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "warden_idl.h"

namespace {

constexpr int kRepetitions = 5;
constexpr int kUsersPerGroup = 31;
constexpr int kMaxGroups = 1000;

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now;
}

// The records with the texts they point to.
class Table {
 public:
  explicit Table(int records) {
    texts_.reserve(static_cast<std::size_t>(records));  // records point into texts_
    const int grouped = kMaxGroups * (kUsersPerGroup + 1);
    std::wstring group;
    for (int n = 0; n < records; ++n) {
      if (n < grouped && n % (kUsersPerGroup + 1) == 0) {
        group = L"group " + std::to_wstring(n / (kUsersPerGroup + 1));
        Add(2, group, L"");
      } else {
        Add(1, n < grouped ? group : L"", L"user " + std::to_wstring(n));
      }
    }
  }
  short size() const { return static_cast<short>(records_.size()); }
  USER_idl* data() { return records_.data(); }

 private:
  void Add(short type, const std::wstring& group, const std::wstring& user) {
    texts_.push_back({group, user});
    USER_idl record{};
    record.type = type;
    record.sectionid[1] = 1;
    record.groupname = texts_.back().group.empty() ? nullptr : texts_.back().group.data();
    if (type == 1) record.username = texts_.back().user.data();
    records_.push_back(record);
  }
  struct Texts {
    std::wstring group, user;
  };
  std::vector<Texts> texts_;
  std::vector<USER_idl> records_;
};

struct Opening {
  DWORD owner_thread;
  LARGE_INTEGER shown{};
  LRESULT items = -1;
  std::atomic<bool> returned{false};  // ManageDoModal came back (it may fail to open)
};

BOOL CALLBACK FindManageDialog(HWND window, LPARAM found) {
  if (IsWindowVisible(window) && GetDlgItem(window, IDC_ACCOUNT_TREE)) {
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
  }
  return TRUE;
}

// Waits for the dialog to be shown, asks the tree for its count (answered
// once the dialog's thread is back in its message loop), waits until nothing
// is left to paint, then cancels the dialog.
DWORD WINAPI Watch(void* parameter) {
  auto& opening = *static_cast<Opening*>(parameter);
  HWND dialog = nullptr;
  const ULONGLONG give_up = GetTickCount64() + 600000;
  while (!dialog && !opening.returned && GetTickCount64() < give_up) {
    EnumThreadWindows(opening.owner_thread, FindManageDialog, reinterpret_cast<LPARAM>(&dialog));
    if (!dialog) Sleep(1);
  }
  if (!dialog) return 0;
  HWND tree = GetDlgItem(dialog, IDC_ACCOUNT_TREE);
  opening.items = SendMessageW(tree, TVM_GETCOUNT, 0, 0);
  while (GetUpdateRect(dialog, nullptr, FALSE) || GetUpdateRect(tree, nullptr, FALSE)) Sleep(0);
  opening.shown = Now();
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  return 0;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Times opening the dialog on a table of `records`; false when the tree
// does not show every record.
bool Measure(IConfig* config, int records) {
  Table table(records);
  if (FAILED(config->SaveAllUsers(table.size(), table.data()))) {
    std::printf("SaveAllUsers of %d records failed\n", records);
    return false;
  }
  std::vector<double> opening_ms, load_ms;
  BSTR install_directory = SysAllocString(L"");
  for (int run = 0; run < kRepetitions; ++run) {
    short count = 0;
    const LARGE_INTEGER load_start = Now();
    config->GetUserNum(&count, install_directory);
    load_ms.push_back(Milliseconds(load_start, Now()));

    Opening opening;
    opening.owner_thread = GetCurrentThreadId();
    HANDLE watcher = CreateThread(nullptr, 0, Watch, &opening, 0, nullptr);
    const LARGE_INTEGER start = Now();
    config->ManageDoModal(nullptr);
    opening.returned = true;
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    if (opening.items != records) {
      std::printf("%6d records: the tree shows %ld items\n", records,
                  static_cast<long>(opening.items));
      return false;
    }
    opening_ms.push_back(Milliseconds(start, opening.shown));
  }
  SysFreeString(install_directory);
  std::printf("%7d  %9.1f  %9.1f  %9.1f  %12.1f\n", records, Median(opening_ms),
              *std::min_element(opening_ms.begin(), opening_ms.end()),
              *std::max_element(opening_ms.begin(), opening_ms.end()), Median(load_ms));
  return true;
}

std::wstring ExecutableFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder = path;
  return folder.substr(0, folder.rfind(L'\\'));
}

// Config straight from the built Warden.dll, without registration.
IConfig* CreateConfig() {
  const std::wstring dll = ExecutableFolder() + L"\\..\\Warden\\Warden.dll";
  HMODULE module = LoadLibraryW(dll.c_str());
  if (!module) return nullptr;
  using GetClassObjectFn = HRESULT(WINAPI*)(REFCLSID, REFIID, void**);
  auto get_class_object = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  IConfig* config = nullptr;
  if (get_class_object && SUCCEEDED(get_class_object(CLSID_Config, IID_IClassFactory,
                                                     reinterpret_cast<void**>(&factory)))) {
    factory->CreateInstance(nullptr, IID_IConfig, reinterpret_cast<void**>(&config));
    factory->Release();
  }
  return config;
}

// A fresh install directory named by the Windows profile, removed again.
class InstallDirectory {
 public:
  InstallDirectory() {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"warden-manage-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(path_.c_str(), nullptr);
    for (const wchar_t* section : {L"Velm50", L"Velm51"}) {
      WriteProfileStringW(section, L"ApplicationDirectory", (path_ + L"\\").c_str());
    }
  }
  ~InstallDirectory() {
    for (const wchar_t* section : {L"Velm50", L"Velm51"}) {
      WriteProfileStringW(section, L"ApplicationDirectory", nullptr);
    }
    for (const wchar_t* name : {L"users.dat", L"users.bak", L"section.dat", L"section.bak"}) {
      DeleteFileW((path_ + L"\\" + name).c_str());
    }
    RemoveDirectoryW(path_.c_str());
  }

 private:
  std::wstring path_;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::clamp(_wtoi(argv[i]), 1, 32767));
  if (sizes.empty()) sizes = {4, 1000, 32767};

  std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line as it is measured, also into a pipe
  CoInitialize(nullptr);
  InstallDirectory directory;
  IConfig* config = CreateConfig();
  if (!config) {
    std::printf("cannot create Config from ..\\Warden\\Warden.dll\n");
    return 1;
  }
  USER_idl administrator{};
  administrator.type = 1;
  administrator.username = const_cast<wchar_t*>(L"bench");
  administrator.userpri = 999;
  config->SetCurUser(&administrator);

  std::printf("manage dialog, %s: ManageDoModal until shown with the tree filled and painted\n",
              sizeof(void*) == 8 ? "x64" : "x86");
  std::printf("(ms, %d runs each)\n", kRepetitions);
  std::printf("records     median        min        max  load (median)\n");
  bool ok = true;
  for (int records : sizes) ok = Measure(config, records) && ok;
  config->Release();
  CoUninitialize();
  return ok ? 0 : 1;
}
