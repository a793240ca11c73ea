#include <windows.h>

#include <algorithm>

#include "platform/system_files.h"
#include "platform/win32_text.h"

namespace warden::platform::system_files {

static HANDLE ToHandle(FileHandle file) { return reinterpret_cast<HANDLE>(file); }
static FileHandle FromHandle(HANDLE handle) { return reinterpret_cast<FileHandle>(handle); }

bool Exists(const std::u16string& path) {
  return GetFileAttributesW(Wide(path)) != INVALID_FILE_ATTRIBUTES;
}

FileHandle OpenRead(const std::u16string& path) {
  return FromHandle(CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileHandle OpenWrite(const std::u16string& path) {
  return FromHandle(CreateFileW(Wide(path), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
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

bool Copy(const std::u16string& from, const std::u16string& to) {
  if (!CopyFileW(Wide(from), Wide(to), FALSE)) return false;
  const HANDLE copy = CreateFileW(Wide(to), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (copy == INVALID_HANDLE_VALUE) return false;
  const bool flushed = FlushFileBuffers(copy) != FALSE;
  return CloseHandle(copy) != FALSE && flushed;
}

bool Remove(const std::u16string& path) { return DeleteFileW(Wide(path)) != FALSE; }

bool Rename(const std::u16string& from, const std::u16string& to) {
  return MoveFileW(Wide(from), Wide(to)) != FALSE;
}

// A virus scanner or indexer may hold the target open for a moment.
bool Replace(const std::u16string& from, const std::u16string& to) {
  for (int attempt = 0;; ++attempt) {
    if (MoveFileExW(Wide(from), Wide(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    const DWORD error = GetLastError();
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

}  // namespace warden::platform::system_files
