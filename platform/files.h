// File operations with Windows semantics on every platform. Paths use the
// backslash as separator everywhere; the POSIX layer maps it to '/'.
//
// Every call goes through one table of functions, so a test can make any
// single call fail (see tests/support/fault_injection.h).
#ifndef WARDEN_PLATFORM_FILES_H
#define WARDEN_PLATFORM_FILES_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace warden::platform {

// An open file: a HANDLE on Windows, a descriptor on POSIX.
using FileHandle = std::intptr_t;
constexpr FileHandle kInvalidFile = -1;

// What tells one file apart from another, and from itself after a change,
// without reading it: equal identities mean the same file, unchanged (as far
// as the system keeps count). Times are in the system's own units.
struct FileIdentity {
  std::uint64_t device = 0;  // POSIX: the device; Windows: the volume serial number
  std::uint64_t index = 0;   // POSIX: the inode; Windows: the file index
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // last write
  std::int64_t changed = 0;   // last change of content or attributes

  friend bool operator==(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.index == b.index && a.size == b.size &&
           a.modified == b.modified && a.changed == b.changed;
  }
  friend bool operator!=(const FileIdentity& a, const FileIdentity& b) { return !(a == b); }
};

struct FileOps {
  // True when the path names an existing file (the file's status is readable).
  bool (*exists)(const std::u16string& path);
  // Shares reading and deleting: a writer may move another file over it.
  FileHandle (*open_read)(const std::u16string& path);
  // The same for a file others append to while it is read: shares writing too.
  FileHandle (*open_read_appended)(const std::u16string& path);
  // Makes the file new for writing: fails when any name is there, a link
  // too, which is never followed. The file gets the access rights of the
  // file `rights_of` (POSIX: mode, and owner and group where allowed;
  // Windows: the access list); without one, POSIX makes it its owner's
  // alone and Windows gives it what the folder passes on.
  FileHandle (*create)(const std::u16string& path, const std::u16string& rights_of);
  // Reads up to `size` bytes; `*got` is 0 at the end of the file.
  bool (*read)(FileHandle file, void* buffer, std::size_t size, std::size_t* got);
  bool (*write)(FileHandle file, const void* buffer, std::size_t size);
  // Forces written data to the disk.
  bool (*flush)(FileHandle file);
  bool (*close)(FileHandle file);
  // Copies `from` into `to`, made new as by create with the rights of
  // `from`, and forces the copy to the disk.
  bool (*copy)(const std::u16string& from, const std::u16string& to);
  bool (*remove)(const std::u16string& path);
  // Renames; fails when `to` exists.
  bool (*rename)(const std::u16string& from, const std::u16string& to);
  // Moves `from` over `to` in one step, replacing `to`, durable on return;
  // readers of the old `to` keep reading it where the system allows.
  bool (*replace)(const std::u16string& from, const std::u16string& to);
  // The size in bytes of an open file.
  bool (*size)(FileHandle file, std::uint64_t* bytes);
  // Opens the lock file `path`, creating it (or only reading it where it
  // cannot be written), and takes its exclusive lock, which other processes
  // and other opens in this one respect. Waits up to `wait_ms` for a holder
  // to let go; kInvalidFile when it cannot be had.
  FileHandle (*lock)(const std::u16string& path, std::uint32_t wait_ms);
  // Releases the lock and closes the lock file (closed even on failure).
  bool (*unlock)(FileHandle lock);
  // The identity of the file `path` names, without opening it for reading.
  bool (*identity)(const std::u16string& path, FileIdentity* identity);
  // A second name `link` for the existing file `existing` (a hard link);
  // fails when `link` exists or the file system has no hard links.
  bool (*link)(const std::u16string& existing, const std::u16string& link);
  // Opens `path` for writing at its end, creating it when missing (POSIX:
  // its owner's alone), never through a link. Every write goes to the end.
  FileHandle (*open_append)(const std::u16string& path);
  // Makes the directory `path` (POSIX: its owner's alone); true also when
  // it is there already.
  bool (*make_directory)(const std::u16string& path);
  // Moves the read position of an open file to `offset` bytes from its start.
  bool (*seek)(FileHandle file, std::uint64_t offset);
};

// The live table. Tests may swap entries and must restore them.
FileOps& Files();
// The platform's own table, for restoring and for wrappers that forward.
const FileOps& SystemFiles();

// Keeps the calling thread's last OS error (errno; on Windows GetLastError
// too) from its making to its end, so that the clean-up after a failure
// (closing a handle, removing a half-made file) leaves the error of the
// failure itself for whoever reports it.
class LastErrorKept {
 public:
  LastErrorKept();
  ~LastErrorKept();
  LastErrorKept(const LastErrorKept&) = delete;
  LastErrorKept& operator=(const LastErrorKept&) = delete;

 private:
  int errno_;
  [[maybe_unused]] unsigned long system_error_ = 0;  // read and set on Windows only
};

// An open file that closes itself (without reporting, and keeping the last
// error) unless closed first.
class File {
 public:
  File() = default;
  explicit File(FileHandle handle) : handle_(handle) {}
  File(File&& other) noexcept : handle_(other.Release()) {}
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;
  ~File();

  static File OpenRead(const std::u16string& path);
  static File OpenReadAppended(const std::u16string& path);
  static File Create(const std::u16string& path, const std::u16string& rights_of = {});
  static File OpenAppend(const std::u16string& path);

  bool IsOpen() const { return handle_ != kInvalidFile; }
  [[nodiscard]] bool Read(void* buffer, std::size_t size, std::size_t* got);
  [[nodiscard]] bool Write(const void* buffer, std::size_t size);
  [[nodiscard]] bool Flush();
  [[nodiscard]] bool Size(std::uint64_t* bytes);
  [[nodiscard]] bool Seek(std::uint64_t offset);
  // Closes and reports the result; the file is closed either way.
  [[nodiscard]] bool Close();
  FileHandle Release();

 private:
  FileHandle handle_ = kInvalidFile;
};

// A lock file's lock, taken by Files().lock, let go when it ends unless let
// go first.
class FileLock {
 public:
  FileLock() = default;
  explicit FileLock(FileHandle handle) : handle_(handle) {}
  FileLock(FileLock&& other) noexcept : handle_(other.handle_) { other.handle_ = kInvalidFile; }
  FileLock& operator=(FileLock&& other) noexcept;
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock() { Unlock(); }

  bool held() const { return handle_ != kInvalidFile; }
  void Unlock();

 private:
  FileHandle handle_ = kInvalidFile;
};

}  // namespace warden::platform

#endif
