#include "storage/data_file.h"

#include <new>
#include <utility>

#include "storage/file_header.h"

namespace warden {
namespace {

using platform::File;
using platform::Files;

// How long a read or a save waits for another process to finish with the file.
constexpr std::uint32_t kLockWaitMs = 5000;

DataFileNames PathsIn(const std::u16string& directory, const DataFileNames& names) {
  return {directory + names.dat, directory + names.temp, directory + names.backup_temp,
          directory + names.backup, directory + names.lock};
}

bool AnyTooLong(const DataFileNames& paths) {
  for (const std::u16string* path :
       {&paths.dat, &paths.temp, &paths.backup_temp, &paths.backup, &paths.lock}) {
    if (path->size() > kMaxPathLength) return true;
  }
  return false;
}

// Takes the lock of the lock file `path` into `*lock`, making the file when
// `make` and leaving a missing one alone otherwise. kInUse when the lock
// file is there and its lock cannot be had; where none is nor can be made,
// nothing is held and nothing failed.
FileFailure TakeLock(const std::u16string& path, bool make, platform::FileLock* lock) {
  if (!make && !Files().exists(path)) return FileFailure::kNone;
  *lock = platform::FileLock(Files().lock(path, kLockWaitMs));
  if (lock->held() || !Files().exists(path)) return FileFailure::kNone;
  return FileFailure::kInUse;
}

FileFailure FailureOf(const Archive& archive) {
  switch (archive.error()) {
    case ArchiveError::kFileError:
      return FileFailure::kNotReadable;
    case ArchiveError::kOutOfMemory:
      return FileFailure::kOutOfMemory;
    default:
      return FileFailure::kDamaged;
  }
}

// The side files of one save: the new content, and the backup copied
// beside the file. Whatever the save made and did not move into place goes
// when it ends.
class SideFiles {
 public:
  explicit SideFiles(const DataFileNames& paths) : paths_(paths) {}
  ~SideFiles() {
    const platform::LastErrorKept kept;
    if (temp_made_) Files().remove(paths_.temp);
    if (backup_copied_) Files().remove(paths_.backup_temp);
  }
  SideFiles(const SideFiles&) = delete;
  SideFiles& operator=(const SideFiles&) = delete;

  // A stale one goes first: the file is made new, with the rights of the
  // file it is to replace, written, flushed to the disk and closed.
  bool WriteTemporary(const Bytes& content) {
    Files().remove(paths_.temp);
    File file = File::Create(paths_.temp, paths_.dat);
    temp_made_ = file.IsOpen();
    return file.IsOpen() && file.Write(content.data(), content.size()) && file.Flush() &&
           file.Close();
  }

  // A copy of the file as it stands, flushed, under the backup's temporary name.
  bool CopyBackup() {
    Files().remove(paths_.backup_temp);
    backup_copied_ = Files().copy(paths_.dat, paths_.backup_temp);
    if (backup_copied_) return true;
    const platform::LastErrorKept kept;
    Files().remove(paths_.backup_temp);
    return false;
  }

  // The copied backup over the old one in one replacing move, so the old
  // backup stays whole until the new one is.
  bool PlaceBackup() {
    if (!backup_copied_ || !Files().replace(paths_.backup_temp, paths_.backup)) return false;
    backup_copied_ = false;
    return true;
  }

  // The new content over the file in one replacing move, or for a default
  // file with the one rename that fails when a file is there.
  bool PlaceFile(bool creating_default) {
    const bool placed = creating_default ? Files().rename(paths_.temp, paths_.dat)
                                         : Files().replace(paths_.temp, paths_.dat);
    temp_made_ = temp_made_ && !placed;
    return placed;
  }

  bool backup_copied() const { return backup_copied_; }

 private:
  const DataFileNames& paths_;
  bool temp_made_ = false;
  bool backup_copied_ = false;
};

}  // namespace

FileFailure MakeContent(const ContentWriter& write, Bytes* content) {
  content->clear();
  Archive archive = Archive::Writing(*content);
  try {
    if (FileHeader().Write(archive) && write(archive)) return FileFailure::kNone;
  } catch (const std::bad_alloc&) {
    return FileFailure::kOutOfMemory;
  }
  return archive.error() == ArchiveError::kTooLong ? FileFailure::kTooLarge
                                                   : FileFailure::kOutOfMemory;
}

DataFileNames DataFileNamesOf(std::u16string_view base_name) {
  const std::u16string base(base_name);
  return {base + u".dat", base + u".111", base + u".112", base + u".bak", base + u".lck"};
}

DataFile::DataFile(std::u16string directory, std::u16string_view base_name, Access access,
                   MissingFile missing)
    : directory_(std::move(directory)),
      names_(DataFileNamesOf(base_name)),
      paths_(PathsIn(directory_, names_)),
      access_(access),
      missing_(missing),
      too_long_(AnyTooLong(paths_)) {}

bool DataFile::SameAs(const DataFile& other) const {
  return paths_.dat == other.paths_.dat && access_ == other.access_ && missing_ == other.missing_;
}

bool DataFile::Exists() const { return !too_long_ && Files().exists(paths_.dat); }

FileFailure DataFile::Hold() {
  if (too_long_) return FileFailure::kPathTooLong;
  if (held()) return FileFailure::kNone;
  return TakeLock(paths_.lock, access_ == Access::kReadWrite, &held_lock_);
}

FileFailure DataFile::Read(const ContentReader& read) {
  // Only a file read whole is a backup worth taking: after a failed read the
  // next save leaves the backup as it is.
  backup_due_ = false;
  const FileFailure failure = ReadFrom(paths_.dat, read, &identity_);
  backup_due_ = failure == FileFailure::kNone;
  if (!backup_due_) identity_.reset();
  return failure;
}

FileFailure DataFile::ReadBackup(const ContentReader& read) {
  return ReadFrom(paths_.backup, read);
}

FileFailure DataFile::ReadFrom(const std::u16string& path, const ContentReader& read,
                               std::optional<platform::FileIdentity>* identity) const {
  if (too_long_) return FileFailure::kPathTooLong;
  platform::FileLock lock;
  if (!held() && access_ == Access::kReadWrite) {
    const FileFailure failure = TakeLock(paths_.lock, true, &lock);
    if (failure != FileFailure::kNone) return failure;
  }
  File file = File::OpenRead(path);
  if (!file.IsOpen()) {
    return Files().exists(path) ? FileFailure::kNotReadable : FileFailure::kNotFound;
  }
  if (identity) {
    platform::FileIdentity found{};
    *identity = Files().identity(path, &found) ? std::optional(found) : std::nullopt;
  }
  Archive archive = Archive::Reading(file);
  FileHeader header;
  try {
    if (header.Read(archive) && read(archive)) return FileFailure::kNone;
  } catch (const std::bad_alloc&) {
    return FileFailure::kOutOfMemory;
  }
  return FailureOf(archive);
}

FileFailure DataFile::Save(const Bytes& content, SaveObserver* observer) {
  return Write(content, false, observer);
}

FileFailure DataFile::CreateDefault(const Bytes& content, SaveObserver* observer) {
  const FileFailure failure = Write(content, true, observer);
  return failure != FileFailure::kNone && Exists() ? FileFailure::kNone : failure;
}

FileFailure DataFile::Write(const Bytes& content, bool creating_default, SaveObserver* observer) {
  if (too_long_) return FileFailure::kPathTooLong;
  if (access_ == Access::kReadOnly) return FileFailure::kNotWritable;
  platform::FileLock lock;
  if (!held()) {
    const FileFailure failure = TakeLock(paths_.lock, true, &lock);
    if (failure != FileFailure::kNone) return failure;
    if (!lock.held()) return FileFailure::kNotWritable;
  }
  SideFiles side(paths_);
  if (!side.WriteTemporary(content)) return FileFailure::kNotWritable;
  // A file that could not be backed up is not replaced; the backup stays due.
  if (!creating_default && backup_due_ && !side.CopyBackup() && Files().exists(paths_.dat)) {
    return FileFailure::kNotWritable;
  }
  const SaveInProgress save{directory_, names_, paths_, content, creating_default};
  if (observer && !observer->BeforeReplace(save)) return FileFailure::kAbandoned;
  bool replaced = false;
  const bool backing_up = side.backup_copied();
  if (!backing_up || side.PlaceBackup()) {
    if (backing_up) backup_due_ = false;
    replaced = side.PlaceFile(creating_default);
  }
  if (replaced) {
    platform::FileIdentity placed{};
    identity_ = Files().identity(paths_.dat, &placed) ? std::optional(placed) : std::nullopt;
  }
  if (observer) observer->AfterReplace(save, replaced);
  return replaced ? FileFailure::kNone : FileFailure::kNotWritable;
}

}  // namespace warden
