#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <vector>

#include "platform/system_files.h"
#include "platform/win32_text.h"

namespace warden::platform {

LastErrorKept::LastErrorKept() : errno_(errno), system_error_(GetLastError()) {}

LastErrorKept::~LastErrorKept() {
  errno = errno_;
  SetLastError(static_cast<DWORD>(system_error_));
}

}  // namespace warden::platform

namespace warden::platform::system_files {

static HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
static FileHandle FromHandle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

FileHandle OpenRead(const std::u16string& path) {
  return FromHandle(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle OpenReadAppended(const std::u16string& path) {
  return FromHandle(CreateFileW(Wide(path), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// The access list of `model` onto the open file as it stands, protection
// and inherited entries included; a model that is gone leaves the file as made.
static bool TakeAccessList(HANDLE file, const std::u16string& model) {
  DWORD size = 0;
  if (!GetFileSecurityW(Wide(model), DACL_SECURITY_INFORMATION, nullptr, 0, &size)) {
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return true;
    if (error != ERROR_INSUFFICIENT_BUFFER) return false;
  }
  std::vector<BYTE> descriptor(size);
  return GetFileSecurityW(Wide(model), DACL_SECURITY_INFORMATION, descriptor.data(), size, &size) &&
         SetKernelObjectSecurity(file, DACL_SECURITY_INFORMATION, descriptor.data());
}

// CREATE_NEW fails on any name there, a link or junction too, never following it.
FileHandle Create(const std::u16string& path, const std::u16string& rights_of) {
  const HANDLE file = CreateFileW(Wide(path), GENERIC_WRITE | WRITE_DAC, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kInvalidFile;
  if (rights_of.empty() || TakeAccessList(file, rights_of)) return FromHandle(file);
  const LastErrorKept kept;
  CloseHandle(file);
  DeleteFileW(Wide(path));
  return kInvalidFile;
}

bool Read(FileHandle file, void* buffer, std::size_t size, std::size_t* got) {
  const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
  DWORD read = 0;
  const BOOL ok = ReadFile(ToHandle(file), buffer, chunk, &read, nullptr);
  *got = ok ? read : 0;
  return ok != FALSE;
}

bool Write(FileHandle file, const void* buffer, std::size_t size) {
  const char* at = static_cast<const char*>(buffer);
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
    DWORD written = 0;
    if (!WriteFile(ToHandle(file), at, chunk, &written, nullptr) || written == 0) return false;
    at += written;
    size -= written;
  }
  return true;
}

bool Flush(FileHandle file) { return FlushFileBuffers(ToHandle(file)) != FALSE; }

bool Close(FileHandle file) { return CloseHandle(ToHandle(file)) != FALSE; }

bool Size(FileHandle file, std::uint64_t* bytes) {
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(ToHandle(file), &size)) return false;
  *bytes = static_cast<std::uint64_t>(size.QuadPart);
  return true;
}

bool Remove(const std::u16string& path) { return DeleteFileW(Wide(path)) != FALSE; }

bool Rename(const std::u16string& from, const std::u16string& to) {
  return MoveFileW(Wide(from), Wide(to)) != FALSE;
}

// `path` in full, in the form that names it as it is (\\?\).
static std::wstring VerbatimPath(const std::u16string& path) {
  const DWORD length = GetFullPathNameW(Wide(path), 0, nullptr, nullptr);
  std::wstring full(length, L'\0');
  full.resize(GetFullPathNameW(Wide(path), length, full.data(), nullptr));
  if (full.rfind(L"\\\\?\\", 0) == 0) return full;
  return full.rfind(L"\\\\", 0) == 0 ? L"\\\\?\\UNC" + full.substr(1) : L"\\\\?\\" + full;
}

// FILE_RENAME_INFO as FileRenameInfoEx reads it: flags in place of the
// one-byte ReplaceIfExists.
struct RenameInfoEx {
  DWORD flags;
  HANDLE root_directory;
  DWORD name_bytes;
  WCHAR name[1];
};
constexpr auto kFileRenameInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(22);
constexpr DWORD kReplaceIfExists = 1, kPosixSemantics = 2;

// The classic move refuses to replace a file that anyone holds open; a
// rename with POSIX semantics (Windows 10 1607 on, NTFS) replaces it while
// readers that share delete access go on reading the old file. Elsewhere
// (older systems, other file systems, Wine) it fails.
static bool RenameOverReaders(const std::u16string& from, const std::u16string& to) {
  const std::wstring target = VerbatimPath(to);
  std::vector<std::uint8_t> buffer(offsetof(RenameInfoEx, name) + (target.size() + 1) * 2);
  auto* info = reinterpret_cast<RenameInfoEx*>(buffer.data());
  info->flags = kReplaceIfExists | kPosixSemantics;
  info->name_bytes = static_cast<DWORD>(target.size() * 2);
  std::copy(target.begin(), target.end(), info->name);
  const HANDLE file = CreateFileW(Wide(from), DELETE | SYNCHRONIZE, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool renamed = SetFileInformationByHandle(file, kFileRenameInfoEx, info,
                                                  static_cast<DWORD>(buffer.size())) != FALSE;
  const LastErrorKept kept;
  CloseHandle(file);
  return renamed;
}

// A virus scanner or indexer may hold the target open for a moment.
bool Replace(const std::u16string& from, const std::u16string& to) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD error = GetLastError();
    if (error == ERROR_ACCESS_DENIED && RenameOverReaders(from, to)) return true;
    if (attempt == 4 || (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED)) {
      return false;
    }
    Sleep(50);
  }
}

FileHandle Lock(const std::u16string& path, std::uint32_t wait_ms) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE file = CreateFileW(Wide(path), GENERIC_READ | GENERIC_WRITE, share, nullptr, OPEN_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    file = CreateFileW(Wide(path), GENERIC_READ, share, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return kInvalidFile;
  const DWORD start = GetTickCount();
  for (;;) {
    OVERLAPPED first_byte{};
    if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                   &first_byte)) {
      return FromHandle(file);
    }
    if (GetLastError() != ERROR_LOCK_VIOLATION || GetTickCount() - start >= wait_ms) {
      const LastErrorKept kept;
      CloseHandle(file);
      return kInvalidFile;
    }
    Sleep(2);
  }
}

// Unlocked before the close: a lock left to the close is released whenever
// the system gets round to it.
bool Unlock(FileHandle lock) {
  OVERLAPPED first_byte{};
  const bool unlocked = UnlockFileEx(ToHandle(lock), 0, 1, 0, &first_byte) != FALSE;
  return CloseHandle(ToHandle(lock)) != FALSE && unlocked;
}

// Opened without following a link and with every kind of sharing, so that
// asking never stands in anyone's way.
bool Identity(const std::u16string& path, FileIdentity* identity) {
  const HANDLE file = CreateFileW(Wide(path), FILE_READ_ATTRIBUTES,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  FILE_BASIC_INFO basic{};
  const bool ok = GetFileInformationByHandle(file, &info) &&
                  GetFileInformationByHandleEx(file, FileBasicInfo, &basic, sizeof basic);
  CloseHandle(file);
  if (!ok) return false;
  const auto wide = [](DWORD high, DWORD low) { return (std::uint64_t{high} << 32) | low; };
  *identity = FileIdentity{info.dwVolumeSerialNumber, wide(info.nFileIndexHigh, info.nFileIndexLow),
                           wide(info.nFileSizeHigh, info.nFileSizeLow),
                           basic.LastWriteTime.QuadPart, basic.ChangeTime.QuadPart};
  return true;
}

bool Link(const std::u16string& existing, const std::u16string& link) {
  return CreateHardLinkW(Wide(link), Wide(existing), nullptr) != FALSE;
}

// Written at the end: every append is made under the writer's lock, so the
// position set here stays the end for as long as the file is open.
FileHandle OpenAppend(const std::u16string& path) {
  const HANDLE file =
      CreateFileW(Wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (file == INVALID_HANDLE_VALUE) return kInvalidFile;
  LARGE_INTEGER end{};
  if (SetFilePointerEx(file, end, nullptr, FILE_END)) return FromHandle(file);
  CloseHandle(file);
  return kInvalidFile;
}

bool MakeDirectory(const std::u16string& path) {
  if (CreateDirectoryW(Wide(path), nullptr)) return true;
  if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
  const DWORD attributes = GetFileAttributesW(Wide(path));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Seek(FileHandle file, std::uint64_t offset) {
  LARGE_INTEGER position{};
  position.QuadPart = static_cast<LONGLONG>(offset);
  return SetFilePointerEx(ToHandle(file), position, nullptr, FILE_BEGIN) != FALSE;
}

}  // namespace warden::platform::system_files
