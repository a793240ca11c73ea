#include <fcntl.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "platform/posix_path.h"
#include "platform/system_files.h"

namespace warden::platform {

LastErrorKept::LastErrorKept() : errno_(errno) {}

LastErrorKept::~LastErrorKept() { errno = errno_; }

}  // namespace warden::platform

namespace warden::platform::system_files {

bool Exists(const std::u16string& path) {
  struct stat status {};
  return ::stat(NativePath(path).c_str(), &status) == 0;
}

FileHandle OpenRead(const std::u16string& path) {
  const int fd = ::open(NativePath(path).c_str(), O_RDONLY | O_CLOEXEC);
  return fd < 0 ? kInvalidFile : fd;
}

FileHandle OpenReadAppended(const std::u16string& path) { return OpenRead(path); }

// The rights of `model` onto the open file. A group that cannot be given
// (only its members and root may) does not get the group's rights.
static bool TakeRights(int fd, const struct stat& model) {
  mode_t mode = model.st_mode & 0777;
  if (::fchown(fd, model.st_uid, model.st_gid) != 0 && ::fchown(fd, -1, model.st_gid) != 0) {
    mode &= ~S_IRWXG;
  }
  return ::fchmod(fd, mode) == 0;
}

FileHandle Create(const std::u16string& path, const std::u16string& rights_of) {
  const std::string native = NativePath(path);
  const int fd = ::open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return kInvalidFile;
  struct stat model {};
  if (rights_of.empty() || ::stat(NativePath(rights_of).c_str(), &model) != 0 ||
      TakeRights(fd, model)) {
    return fd;
  }
  const LastErrorKept kept;
  ::close(fd);
  ::unlink(native.c_str());
  return kInvalidFile;
}

bool Read(FileHandle file, void* buffer, std::size_t size, std::size_t* got) {
  ssize_t n;
  do {
    n = ::read(static_cast<int>(file), buffer, size);
  } while (n < 0 && errno == EINTR);
  *got = n > 0 ? static_cast<std::size_t>(n) : 0;
  return n >= 0;
}

bool Write(FileHandle file, const void* buffer, std::size_t size) {
  const char* at = static_cast<const char*>(buffer);
  while (size > 0) {
    const ssize_t n = ::write(static_cast<int>(file), at, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    at += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

bool Flush(FileHandle file) { return ::fsync(static_cast<int>(file)) == 0; }

bool Close(FileHandle file) { return ::close(static_cast<int>(file)) == 0; }

bool Size(FileHandle file, std::uint64_t* bytes) {
  struct stat status {};
  if (::fstat(static_cast<int>(file), &status) != 0) return false;
  *bytes = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool Remove(const std::u16string& path) { return ::unlink(NativePath(path).c_str()) == 0; }

bool Rename(const std::u16string& from, const std::u16string& to) {
  const std::string source = NativePath(from);
  const std::string target = NativePath(to);
  if (::renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) == 0) {
    return true;
  }
  if (errno != EINVAL && errno != ENOSYS) return false;
  // File systems without RENAME_NOREPLACE: a hard link fails when the target exists.
  if (::link(source.c_str(), target.c_str()) != 0) return false;
  return ::unlink(source.c_str()) == 0;
}

// Through the live table, so that a test can make these calls fail too.
static bool SyncToDisk(const std::u16string& path) {
  File file = File::OpenRead(path);  // a directory opens for reading as well
  return file.Flush() && file.Close();
}

static std::u16string DirectoryOf(const std::u16string& path) {
  const auto separator = path.rfind(u'\\');
  if (separator == std::u16string::npos) return u".";
  return separator == 0 ? u"\\" : path.substr(0, separator);
}

bool Replace(const std::u16string& from, const std::u16string& to) {
  if (!SyncToDisk(from) || ::rename(NativePath(from).c_str(), NativePath(to).c_str()) != 0) {
    return false;
  }
  // The new file is in place: the move has happened and is reported so.
  // Syncing the directory makes the new name durable at once; when that
  // fails, its durability is left to the file system.
  SyncToDisk(DirectoryOf(to));
  return true;
}

// flock, not fcntl: its lock belongs to the open file, so two opens in one
// process exclude each other too, and closing another descriptor of the
// same file does not drop it.
FileHandle Lock(const std::u16string& path, std::uint32_t wait_ms) {
  const std::string native = NativePath(path);
  int fd = ::open(native.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) fd = ::open(native.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return kInvalidFile;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      const LastErrorKept kept;
      ::close(fd);
      return kInvalidFile;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return fd;
}

bool Unlock(FileHandle lock) { return ::close(static_cast<int>(lock)) == 0; }

bool Identity(const std::u16string& path, FileIdentity* identity) {
  struct stat status {};
  if (::stat(NativePath(path).c_str(), &status) != 0) return false;
  constexpr std::int64_t kNanoseconds = 1000000000;
  *identity = FileIdentity{static_cast<std::uint64_t>(status.st_dev),
                           static_cast<std::uint64_t>(status.st_ino),
                           static_cast<std::uint64_t>(status.st_size),
                           status.st_mtim.tv_sec * kNanoseconds + status.st_mtim.tv_nsec,
                           status.st_ctim.tv_sec * kNanoseconds + status.st_ctim.tv_nsec};
  return true;
}

bool Link(const std::u16string& existing, const std::u16string& link) {
  return ::link(NativePath(existing).c_str(), NativePath(link).c_str()) == 0;
}

FileHandle OpenAppend(const std::u16string& path) {
  const int fd = ::open(NativePath(path).c_str(),
                        O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
  return fd < 0 ? kInvalidFile : fd;
}

bool MakeDirectory(const std::u16string& path) {
  const std::string native = NativePath(path);
  if (::mkdir(native.c_str(), 0700) == 0) return true;
  struct stat status {};
  return errno == EEXIST && ::stat(native.c_str(), &status) == 0 && S_ISDIR(status.st_mode);
}

bool Seek(FileHandle file, std::uint64_t offset) {
  return ::lseek(static_cast<int>(file), static_cast<off_t>(offset), SEEK_SET) >= 0;
}

}  // namespace warden::platform::system_files
