#include "storage/data_file.h"

#include <new>

#include "platform/files.h"
#include "storage/file_version.h"

namespace warden {
namespace {

using platform::File;
using platform::Files;

// How long a save or a read waits for another process to finish with the file.
constexpr std::uint32_t kLockWaitMs = 5000;

struct SavePaths {
  std::u16string dat, temp, backup_temp, backup, lock;
};

std::optional<SavePaths> PathsIn(const std::u16string& directory, const DataFileNames& names) {
  auto dat = DataFilePath(directory, names.dat);
  auto temp = DataFilePath(directory, names.temp);
  auto backup_temp = DataFilePath(directory, names.backup_temp);
  auto backup = DataFilePath(directory, names.backup);
  auto lock = DataFilePath(directory, names.lock);
  if (!dat || !temp || !backup_temp || !backup || !lock) return std::nullopt;
  return SavePaths{*dat, *temp, *backup_temp, *backup, *lock};
}

// Header and body into the temporary file, flushed to the disk and closed.
// A stale one goes first: the file is made new, with the rights of the file
// it is to replace. `*created` tells whether it was made (and so may need removing).
bool WriteTemporary(const SavePaths& paths, const ArchiveBody& write_body, bool* created) {
  Files().remove(paths.temp);
  File file = File::Create(paths.temp, paths.dat);
  *created = file.IsOpen();
  if (!file.IsOpen()) return false;
  Archive archive = Archive::Writing(file);
  CVmNewFileVersion header;
  try {
    if (!header.Serialize(archive) || !write_body(archive)) return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
  return archive.Flush() && file.Flush() && file.Close();
}

// Copies the file as it stands over the backup: a copy under a temporary
// name, then one replacing move, so the old backup stays whole until the new
// one is. Never moves the file itself away.
bool TakeBackup(const SavePaths& paths) {
  Files().remove(paths.backup_temp);
  if (Files().copy(paths.dat, paths.backup_temp) &&
      Files().replace(paths.backup_temp, paths.backup)) {
    return true;
  }
  Files().remove(paths.backup_temp);
  return false;
}

// Puts the written temporary file in place. The old file stays where it is
// until the one replacing move (or, for kCreateOnly, the one rename that
// fails when a file is there) puts the new one over it.
int Commit(const SavePaths& paths, bool* backup_due, SaveMode mode) {
  if (mode == SaveMode::kCreateOnly) {
    return Files().rename(paths.temp, paths.dat) ? kFileOk : kFileNotWritable;
  }
  if (*backup_due) {
    if (TakeBackup(paths)) {
      *backup_due = false;
    } else if (Files().exists(paths.dat)) {
      // A file we could not back up is not replaced; the flag stays for the next save.
      return kFileNotWritable;
    }
  }
  return Files().replace(paths.temp, paths.dat) ? kFileOk : kFileNotWritable;
}

}  // namespace

DataFileLock::DataFileLock(const std::u16string& path, Missing missing) {
  if (missing == Missing::kLeave && !Files().exists(path)) return;
  handle_ = Files().lock(path, kLockWaitMs);
  busy_ = !held() && Files().exists(path);
}

DataFileLock::~DataFileLock() {
  if (held()) Files().unlock(handle_);
}

std::optional<std::u16string> DataFilePath(const std::u16string& directory, const char16_t* name) {
  std::u16string path = directory + name;
  if (path.size() > kMaxPathLength) return std::nullopt;
  return path;
}

int ReadDataFile(const DataFileNames& names, const DataLocation& location, bool* backup_due,
                 bool* opened, const ArchiveBody& read_body) {
  // Only a file read whole is a backup worth taking: after a failed read the
  // next save leaves the backup as it is.
  *backup_due = false;
  *opened = false;
  const std::optional<std::u16string> path = DataFilePath(location.directory, names.dat);
  const std::optional<std::u16string> lock_path = DataFilePath(location.directory, names.lock);
  if (!path || !lock_path) return kFileNotReadable;
  // A directory that holds no lock file and lets none be made is one nobody
  // can save to: it is read without the lock.
  std::optional<DataFileLock> lock;
  if (location.is_install_directory && !location.caller_holds_lock &&
      lock.emplace(*lock_path, DataFileLock::Missing::kCreate).busy()) {
    return kFileNotReadable;
  }
  File file = File::OpenRead(*path);
  *opened = file.IsOpen();
  if (!file.IsOpen()) return kFileNotReadable;
  Archive archive = Archive::Reading(file);
  CVmNewFileVersion header;
  if (!header.Serialize(archive)) return kFileNotReadable;
  try {
    if (!read_body(archive)) return kFileNotReadable;
  } catch (const std::bad_alloc&) {
    return kFileNotReadable;
  }
  file.Close();  // a read-only handle loses nothing if its close fails
  *backup_due = true;
  return kFileOk;
}

int SaveDataFile(const DataFileNames& names, const DataLocation& location, bool* backup_due,
                 SaveMode mode, const ArchiveBody& write_body) {
  const std::optional<SavePaths> paths = PathsIn(location.directory, names);
  if (!paths) return kFileNotWritable;
  std::optional<DataFileLock> lock;
  if (!location.caller_holds_lock &&
      !lock.emplace(paths->lock, DataFileLock::Missing::kCreate).held()) {
    return kFileNotWritable;
  }
  bool created = false;
  if (WriteTemporary(*paths, write_body, &created) && Commit(*paths, backup_due, mode) == kFileOk) {
    return kFileOk;
  }
  // Leave no stale new content behind (the next save would overwrite it anyway).
  if (created) Files().remove(paths->temp);
  return kFileNotWritable;
}

}  // namespace warden
