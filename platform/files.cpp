#include "platform/files.h"

#include "platform/system_files.h"

namespace warden::platform {

const FileOps& SystemFiles() {
  static const FileOps ops = [] {
    namespace os = system_files;
    FileOps table;
    table.exists = os::Exists;
    table.open_read = os::OpenRead;
    table.open_write = os::OpenWrite;
    table.read = os::Read;
    table.write = os::Write;
    table.flush = os::Flush;
    table.close = os::Close;
    table.copy = os::Copy;
    table.remove = os::Remove;
    table.rename = os::Rename;
    table.replace = os::Replace;
    table.size = os::Size;
    table.lock = os::Lock;
    table.unlock = os::Unlock;
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
    if (IsOpen()) Files().close(handle_);
    handle_ = other.Release();
  }
  return *this;
}

File::~File() {
  if (IsOpen()) Files().close(handle_);
}

File File::OpenRead(const std::u16string& path) { return File(Files().open_read(path)); }

File File::OpenWrite(const std::u16string& path) { return File(Files().open_write(path)); }

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

bool File::Close() {
  if (!IsOpen()) return false;
  return Files().close(Release());
}

FileHandle File::Release() {
  const FileHandle handle = handle_;
  handle_ = kInvalidFile;
  return handle;
}

}  // namespace warden::platform
