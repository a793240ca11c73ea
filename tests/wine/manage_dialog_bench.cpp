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
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "resources/resource_ids.h"
#include "tests/support/built_files.h"
#include "tests/support/windows_profile.h"
#include "warden_idl.h"

namespace {

constexpr int kRepetitions = 5, kUsersPerGroup = 31, kMaxGroups = 1000;
using Clock = std::chrono::steady_clock;
using Milliseconds = std::chrono::duration<double, std::milli>;

// The records and the names they point to.
struct Table {
  explicit Table(int size) : names(static_cast<std::size_t>(size)), records(names.size()) {
    const int grouped = kMaxGroups * (kUsersPerGroup + 1);
    const wchar_t* group = nullptr;
    for (int n = 0; n < size; ++n) {
      USER_idl& record = records[n];
      record.sectionid[1] = 1;
      const bool starts_group = n < grouped && n % (kUsersPerGroup + 1) == 0;
      names[n] = (starts_group ? L"group " : L"user ") + std::to_wstring(n);
      record.type = starts_group ? 2 : 1;
      if (starts_group) group = names[n].c_str();
      record.groupname = n < grouped ? const_cast<wchar_t*>(group) : nullptr;
      if (!starts_group) record.username = names[n].data();
    }
  }
  std::vector<std::wstring> names;
  std::vector<USER_idl> records;
};

struct Opening {
  DWORD owner_thread;
  Clock::time_point shown;
  LRESULT items = -1;
  std::atomic<bool> returned{false};  // ManageDoModal came back (it may fail to open)
};

BOOL CALLBACK FindManageDialog(HWND window, LPARAM found) {
  if (!IsWindowVisible(window) || !GetDlgItem(window, IDC_ACCOUNT_TREE)) return TRUE;
  *reinterpret_cast<HWND*>(found) = window;
  return FALSE;
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
  opening.shown = Clock::now();
  PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  return 0;
}

// Times opening the dialog on a table of `size` records; false when the
// tree does not show every record.
bool Measure(IConfig* config, int size) {
  Table table(size);
  if (FAILED(config->SaveAllUsers(static_cast<short>(size), table.records.data()))) {
    std::printf("SaveAllUsers of %d records failed\n", size);
    return false;
  }
  std::vector<double> opening_ms, load_ms;
  BSTR install_directory = SysAllocString(L"");
  for (int run = 0; run < kRepetitions; ++run) {
    short count = 0;
    const auto load_start = Clock::now();
    config->GetUserNum(&count, install_directory);
    load_ms.push_back(Milliseconds(Clock::now() - load_start).count());

    Opening opening{GetCurrentThreadId(), {}};
    HANDLE watcher = CreateThread(nullptr, 0, Watch, &opening, 0, nullptr);
    const auto start = Clock::now();
    config->ManageDoModal(nullptr);
    opening.returned = true;
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    if (opening.items != size) {
      std::printf("%6d records: the tree shows %ld items\n", size,
                  static_cast<long>(opening.items));
      return false;
    }
    opening_ms.push_back(Milliseconds(opening.shown - start).count());
  }
  SysFreeString(install_directory);
  std::sort(opening_ms.begin(), opening_ms.end());
  std::sort(load_ms.begin(), load_ms.end());
  std::printf("%7d  %9.1f  %9.1f  %9.1f  %12.1f\n", size, opening_ms[kRepetitions / 2],
              opening_ms.front(), opening_ms.back(), load_ms[kRepetitions / 2]);
  return true;
}

// Config straight from the built Warden.dll beside this program's folder,
// without registration.
IConfig* CreateConfig() {
  HMODULE module = LoadLibraryW(warden::testing::BuiltInstallFile("Warden.dll").c_str());
  auto get_class_object = reinterpret_cast<HRESULT(WINAPI*)(REFCLSID, REFIID, void**)>(
      module ? reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")) : nullptr);
  IClassFactory* factory = nullptr;
  IConfig* config = nullptr;
  if (get_class_object && SUCCEEDED(get_class_object(CLSID_Config, IID_IClassFactory,
                                                     reinterpret_cast<void**>(&factory)))) {
    factory->CreateInstance(nullptr, IID_IConfig, reinterpret_cast<void**>(&config));
    factory->Release();
  }
  return config;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<int> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::clamp(_wtoi(argv[i]), 1, 32767));
  if (sizes.empty()) sizes = {4, 1000, 32767};

  std::setvbuf(stdout, nullptr, _IONBF, 0);  // each line as it is measured, also into a pipe
  CoInitialize(nullptr);
  warden::testing::TempDir directory;  // the install directory, removed again
  warden::testing::WindowsProfile profile;
  profile.SetInstallDirectory(directory.core() + u"\\");
  IConfig* config = CreateConfig();
  if (!config) {
    std::printf("cannot create Config from ..\\Warden\\Warden.dll\n");
    return 1;
  }
  std::printf("manage dialog, %s: ManageDoModal until shown with the tree filled and painted\n",
              sizeof(void*) == 8 ? "x64" : "x86");
  std::printf("(ms, %d runs each)\nrecords     median        min        max  load (median)\n",
              kRepetitions);
  bool ok = true;
  for (int size : sizes) ok = Measure(config, size) && ok;
  config->Release();
  CoUninitialize();
  return ok ? 0 : 1;
}
