#include "shell/config_object.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "accounts/account_file.h"
#include "dialogs/manage_dialog.h"
#include "shell/com_server.h"
#include "shell/config_ids.h"
#include "shell/entry_guard.h"
#include "shell/stores.h"
#include "storage/directory_text.h"
#include "storage/installation.h"
#include "zones/zone_file.h"

#if defined(_WIN32) && !defined(_WIN64)
// The host is compiled against this layout.
static_assert(sizeof(USER_idl) == 160, "USER_idl is 160 bytes");
static_assert(offsetof(USER_idl, sectionid) == 2, "sectionid at 2");
static_assert(offsetof(USER_idl, groupname) == 132, "groupname at 132");
static_assert(offsetof(USER_idl, username) == 136, "username at 136");
static_assert(offsetof(USER_idl, password) == 140, "password at 140");
static_assert(offsetof(USER_idl, usercomment) == 144, "usercomment at 144");
static_assert(offsetof(USER_idl, userpri) == 148, "userpri at 148");
static_assert(offsetof(USER_idl, limitTime) == 152, "limitTime at 152");
static_assert(offsetof(USER_idl, groupcomment) == 156, "groupcomment at 156");
static_assert(sizeof(Section_idl) == 4, "Section_idl is one pointer");
#endif

namespace warden {
namespace {

// A net_path as the methods see it: none, a directory, or one too long for
// the path buffer, which is refused like any too-long path.
struct NetPathArg {
  enum Kind { kEmpty, kGiven, kTooLong } kind;
  std::u16string text;

  explicit NetPathArg(BSTR path) {
    const std::size_t length = platform::BoundedLength(path, kNetPathBuffer);
    kind = length == 0 ? kEmpty : length >= kNetPathBuffer ? kTooLong : kGiven;
    if (kind == kGiven) text.assign(platform::FromOle(path), length);
  }
  Store& store() const { return kind == kEmpty ? ApplicationStore() : ProjectStore(); }
};

// Where a load reads, worked out here, once. The install directory's files
// are read and written, and created with their defaults when missing; a
// directory the host names is only read, unless it is the install
// directory itself, in any letter case.
struct Place {
  std::u16string directory;
  Access access = Access::kReadWrite;
  MissingFile missing = MissingFile::kCreateDefault;
};

Place InstallPlace() { return {GetInstallDirectory()}; }

Place PlaceOf(const NetPathArg& path) {
  const std::u16string install = GetInstallDirectory();
  if (path.kind != NetPathArg::kGiven) return {install};
  const std::u16string directory = DirectoryWithSeparator(path.text);
  if (SameDirectory(directory, install)) return {directory};
  return {directory, Access::kReadOnly, MissingFile::kLeave};
}

DataFile& UsersFile(Store& store, const Place& place) {
  return KeptFile(store.users_file, AccountFileIn(place.directory, place.access, place.missing));
}

DataFile& ZonesFile(Store& store, const Place& place) {
  return KeptFile(store.zones_file, ZoneFileIn(place.directory, place.access, place.missing));
}

std::u16string TextOf(const OLECHAR* text) {
  return text ? std::u16string(platform::FromOle(text)) : std::u16string();
}

LPWSTR PointerTo(const std::u16string& text) { return platform::ToOle(text.c_str()); }

AccountRecord RecordFrom(const USER_idl& entry) {
  AccountRecord record;
  record.type = entry.type;
  for (int zone = 0; zone < kZoneCount; ++zone) record.sectionid[zone] = entry.sectionid[zone];
  record.groupname = TextOf(entry.groupname);
  record.username = TextOf(entry.username);
  record.password = TextOf(entry.password);
  record.usercomment = TextOf(entry.usercomment);
  record.userpri = entry.userpri;
  record.limitTime = entry.limitTime;
  record.groupcomment = TextOf(entry.groupcomment);
  return record;
}

// Groups give their name and comment; users give what they hold, and an
// empty string leaves the caller's pointer as it was.
void WriteEntry(const AccountRecord& record, USER_idl* entry) {
  entry->type = record.type;
  for (int zone = 0; zone < kZoneCount; ++zone) entry->sectionid[zone] = record.sectionid[zone];
  if (record.type == kTypeGroup) {
    entry->groupname = PointerTo(record.groupname);
    entry->groupcomment = PointerTo(record.groupcomment);
    return;
  }
  entry->username = PointerTo(record.username);
  if (!record.groupname.empty()) entry->groupname = PointerTo(record.groupname);
  if (!record.password.empty()) entry->password = PointerTo(record.password);
  if (!record.usercomment.empty()) entry->usercomment = PointerTo(record.usercomment);
  if (!record.groupcomment.empty()) entry->groupcomment = PointerTo(record.groupcomment);
  entry->userpri = record.userpri;
  entry->limitTime = record.limitTime;
}

// A load refused for a too-long path leaves the store as any failed load.
// The default file a load creates is recorded; what the application store
// loads is kept for the changes of its next save.
bool LoadUsers(const NetPathArg& path) {
  Store& store = path.store();
  if (path.kind == NetPathArg::kTooLong) {
    store.accounts.LoadFailed();
    return false;
  }
  DataFile& file = UsersFile(store, PlaceOf(path));
  history::HistoryObserver creating(ApiAuthor(), nullptr);
  if (LoadAccountFile(store.accounts, file, &creating) != FileFailure::kNone) return false;
  if (&store == &ApplicationStore()) store.accounts_loaded.Take(store.accounts.records(), file);
  return true;
}

bool LoadZones(const NetPathArg& path) {
  if (path.kind == NetPathArg::kTooLong) return false;
  Store& store = path.store();
  DataFile& file = ZonesFile(store, PlaceOf(path));
  history::HistoryObserver creating(ApiAuthor(), nullptr);
  if (LoadZoneFile(store.zones, file, &creating) != FileFailure::kNone) return false;
  if (&store == &ApplicationStore()) store.zones_loaded.Take(store.zones, file);
  return true;
}

std::unique_ptr<char16_t[]> CopyOf(const std::u16string& text) {
  auto copy = std::make_unique<char16_t[]>(text.size() + 1);
  std::memcpy(copy.get(), text.c_str(), (text.size() + 1) * sizeof(char16_t));
  return copy;
}

}  // namespace

IUnknown* ConfigObject::Create(IUnknown* outer) {
  ConfigObject* object = new (std::nothrow) ConfigObject(outer);
  if (!object) return nullptr;
  object->inner_.AddRef();
  return &object->inner_;
}

ConfigObject::ConfigObject(IUnknown* outer) : outer_(outer) { LockModule(); }

ConfigObject::~ConfigObject() { UnlockModule(); }

HRESULT STDMETHODCALLTYPE ConfigObject::Inner::QueryInterface(REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (IsEqualGUID(riid, IID_IUnknown)) {
    *object = this;
    AddRef();
    return S_OK;
  }
  if (IsEqualGUID(riid, kIidIConfig)) {
    *object = static_cast<IConfig*>(owner_);
    owner_->AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ConfigObject::Inner::AddRef() { return ++owner_->references_; }

ULONG STDMETHODCALLTYPE ConfigObject::Inner::Release() {
  const ULONG count = --owner_->references_;
  if (count == 0) delete owner_;
  return count;
}

HRESULT STDMETHODCALLTYPE ConfigObject::QueryInterface(REFIID riid, void** object) {
  return outer_ ? outer_->QueryInterface(riid, object) : inner_.QueryInterface(riid, object);
}

ULONG STDMETHODCALLTYPE ConfigObject::AddRef() {
  return outer_ ? outer_->AddRef() : inner_.AddRef();
}

ULONG STDMETHODCALLTYPE ConfigObject::Release() {
  return outer_ ? outer_->Release() : inner_.Release();
}

HRESULT ConfigObject::Fail(std::int16_t code) {
  last_error_ = code;
  return E_FAIL;
}

HRESULT STDMETHODCALLTYPE ConfigObject::ManageDoModal(HWND parent) {
  return GuardedEntry([&] {
    RunManageDialog(parent, ManagedApplicationStore());
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE ConfigObject::GetUserNum(short* count, BSTR net_path) {
  return GuardedEntry([&] {
    if (!count) return E_POINTER;
    const NetPathArg path(net_path);
    if (!LoadUsers(path)) return Fail(kErrorLoadUsers);
    *count = static_cast<short>(path.store().accounts.count());
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE ConfigObject::GetAllUser(short array_size, USER_idl* entries,
                                                   BSTR net_path) {
  return GuardedEntry([&] {
    const std::vector<AccountRecord>& table = NetPathArg(net_path).store().accounts.records();
    if (table.empty()) return S_OK;
    if (!entries) return E_POINTER;
    // A positive count is the host's array size: the table may have grown
    // since it counted. Hosts that pass 0 or less never sized by it.
    std::size_t count = table.size();
    if (array_size > 0) count = std::min(count, static_cast<std::size_t>(array_size));
    for (std::size_t i = 0; i < count; ++i) WriteEntry(table[i], &entries[i]);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE ConfigObject::GetAllSection(Section_idl* zone_entries, BSTR net_path) {
  return GuardedEntry([&] {
    if (!zone_entries) return E_POINTER;
    const NetPathArg path(net_path);
    if (!LoadZones(path)) return Fail(kErrorLoadZones);
    // All copies first, so running out of memory changes nothing.
    const ZoneNames& names = path.store().zones;
    std::array<std::unique_ptr<char16_t[]>, kZoneCount> copies;
    for (int zone = 0; zone < kZoneCount; ++zone) copies[zone] = CopyOf(names[zone]);
    for (int zone = 0; zone < kZoneCount; ++zone) {
      handed_out_names_[zone] = std::move(copies[zone]);
      zone_entries[zone].sectionname = platform::ToOle(handed_out_names_[zone].get());
    }
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE ConfigObject::GetLastError(short* code) {
  return GuardedEntry([&] {
    if (!code) return E_POINTER;
    *code = last_error_;
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE ConfigObject::SaveAllSection(Section_idl* zone_entries) {
  return GuardedEntry([&] {
    if (!zone_entries) return E_POINTER;
    ZoneNames names;
    for (int zone = 0; zone < kZoneCount; ++zone)
      names[zone] = TextOf(zone_entries[zone].sectionname);
    Store& store = ApplicationStore();
    store.zones = std::move(names);
    DataFile& file = ZonesFile(store, InstallPlace());
    const history::ZoneChanges changes = history::ChangesOf(store.zones_loaded, store.zones);
    history::HistoryObserver recording(ApiAuthor(), &changes);
    if (SaveZoneFile(store.zones, file, &recording) != FileFailure::kNone) {
      return Fail(kErrorSaveZones);
    }
    store.zones_loaded.Take(store.zones, file);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE ConfigObject::SaveAllUsers(short count, USER_idl* entries) {
  return GuardedEntry([&] {
    if (count < 0) return E_INVALIDARG;
    if (count > 0 && !entries) return E_POINTER;
    Store& store = ApplicationStore();
    DataFile& file = UsersFile(store, InstallPlace());
    // Only a store with no table loads first; see AccountTable::HoldsTable.
    if (!store.accounts.HoldsTable()) {
      history::HistoryObserver creating(ApiAuthor(), nullptr);
      if (LoadAccountFile(store.accounts, file, &creating) != FileFailure::kNone) {
        return Fail(kErrorLoadUsers);
      }
      store.accounts_loaded.Take(store.accounts.records(), file);
    }
    std::vector<AccountRecord> table;
    table.reserve(static_cast<std::size_t>(count));
    for (short i = 0; i < count; ++i) table.push_back(RecordFrom(entries[i]));
    store.accounts.Replace(std::move(table));
    const history::AccountChanges changes =
        history::ChangesOf(store.accounts_loaded, store.accounts.records());
    history::HistoryObserver recording(ApiAuthor(), &changes);
    if (SaveAccountFile(store.accounts, file, &recording) != FileFailure::kNone) {
      return Fail(kErrorSaveUsers);
    }
    store.accounts_loaded.Take(store.accounts.records(), file);
    return S_OK;
  });
}

HRESULT STDMETHODCALLTYPE ConfigObject::SetCurUser(USER_idl* user) {
  return GuardedEntry([&] {
    if (!user) return E_POINTER;
    try {
      LoggedInUser() = RecordFrom(*user);
    } catch (const std::bad_alloc&) {
      return S_FALSE;  // nothing stored, the last error kept
    }
    return S_OK;
  });
}

}  // namespace warden
