#include "platform/files.h"

#include "platform/system_files.h"

namespace warden::platform {
namespace {

namespace os = system_files;

// A clean-up close: its own failure leaves the error that led to it.
void CloseKeepingError(FileHandle file) {
  const LastErrorKept kept;
  os::Close(file);
}

// The same on both systems: made new, so a planted link is never written through.
bool CopyNew(const std::u16string& from, const std::u16string& to) {
  const FileHandle in = os::OpenRead(from);
  if (in == kInvalidFile) return false;
  const FileHandle out = os::Create(to, from);
  bool ok = out != kInvalidFile;
  char buffer[16384];
  std::size_t got = 0;
  while (ok && (ok = os::Read(in, buffer, sizeof buffer, &got)) && got > 0)
    ok = os::Write(out, buffer, got);
  ok = ok && os::Flush(out);
  if (ok) {
    ok = os::Close(out);
  } else if (out != kInvalidFile) {
    CloseKeepingError(out);
  }
  CloseKeepingError(in);
  return ok;
}

}  // namespace

const FileOps& SystemFiles() {
  static const FileOps ops = [] {
    FileOps table;
    table.exists = os::Exists;
    table.open_read = os::OpenRead;
    table.open_read_appended = os::OpenReadAppended;
    table.create = os::Create;
    table.read = os::Read;
    table.write = os::Write;
    table.flush = os::Flush;
    table.close = os::Close;
    table.copy = CopyNew;
    table.remove = os::Remove;
    table.rename = os::Rename;
    table.replace = os::Replace;
    table.size = os::Size;
    table.lock = os::Lock;
    table.unlock = os::Unlock;
    table.identity = os::Identity;
    table.link = os::Link;
    table.open_append = os::OpenAppend;
    table.make_directory = os::MakeDirectory;
    table.seek = os::Seek;
    return table;
  }();
  return ops;
}

FileOps& Files() {
  static FileOps live = SystemFiles();
  return live;
}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    const LastErrorKept kept;
    if (IsOpen()) Files().close(handle_);
    handle_ = other.Release();
  }
  return *this;
}

File::~File() {
  const LastErrorKept kept;
  if (IsOpen()) Files().close(handle_);
}

File File::OpenRead(const std::u16string& path) { return File(Files().open_read(path)); }

File File::OpenReadAppended(const std::u16string& path) {
  return File(Files().open_read_appended(path));
}

File File::Create(const std::u16string& path, const std::u16string& rights_of) {
  return File(Files().create(path, rights_of));
}

File File::OpenAppend(const std::u16string& path) { return File(Files().open_append(path)); }

bool File::Read(void* buffer, std::size_t size, std::size_t* got) {
  *got = 0;
  return IsOpen() && Files().read(handle_, buffer, size, got);
}

bool File::Write(const void* buffer, std::size_t size) {
  return IsOpen() && Files().write(handle_, buffer, size);
}

bool File::Flush() { return IsOpen() && Files().flush(handle_); }

bool File::Size(std::uint64_t* bytes) {
  *bytes = 0;
  return IsOpen() && Files().size(handle_, bytes);
}

bool File::Seek(std::uint64_t offset) { return IsOpen() && Files().seek(handle_, offset); }

bool File::Close() {
  if (!IsOpen()) return false;
  return Files().close(Release());
}

FileHandle File::Release() {
  const FileHandle handle = handle_;
  handle_ = kInvalidFile;
  return handle;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Unlock();
    handle_ = other.handle_;
    other.handle_ = kInvalidFile;
  }
  return *this;
}

void FileLock::Unlock() {
  if (held()) Files().unlock(handle_);
  handle_ = kInvalidFile;
}

}  // namespace warden::platform
