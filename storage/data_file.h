// One data file (users.dat, section.dat) in one directory: its names and
// those of its side files, its lock, whether its backup is due, and how it
// is read and how a save replaces it without ever leaving the directory
// without the file. It knows no accounts or zones: it reads through the
// reader it is handed and saves the bytes it is handed.
#ifndef WARDEN_STORAGE_DATA_FILE_H
#define WARDEN_STORAGE_DATA_FILE_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files.h"
#include "storage/archive.h"

namespace warden {

using Bytes = std::vector<std::uint8_t>;

// Paths live in buffers of 260 wide characters, terminator included.
constexpr std::size_t kMaxPathLength = 259;

// A data file and its side files, all named from one base name.
struct DataFileNames {
  std::u16string dat;          // the file itself
  std::u16string temp;         // the new content during a save
  std::u16string backup_temp;  // the backup while it is being copied
  std::u16string backup;       // the file as last read whole, taken by the next save
  std::u16string lock;         // locked by every process while it reads or saves the file
};

// "users" gives users.dat, users.111, users.112, users.bak and users.lck.
DataFileNames DataFileNamesOf(std::u16string_view base_name);

// Why a read or a save failed. The callers that show a text or a result code
// choose it from this.
enum class [[nodiscard]] FileFailure{
    kNone,
    kPathTooLong,  // a path longer than kMaxPathLength; no file was touched
    kNotFound,     // no file to read
    kInUse,        // another program holds the lock file beyond the wait
    kNotReadable,  // the file is there but does not open or read
    kDamaged,      // the content is not the format: cut short, a count beyond its records
    kOutOfMemory,
    kTooLarge,     // the content does not fit the format (more records than its count holds)
    kNotWritable,  // a side file, the backup or the move failed, or the file is only read here
    kAbandoned,    // a save observer refused the save
};

// What may be done with the file: saves and the lock file need kReadWrite.
enum class Access { kReadWrite, kReadOnly };
// Whether a load that finds no file writes the defaults first.
enum class MissingFile { kCreateDefault, kLeave };

// A save as its observer sees it.
struct SaveInProgress {
  const std::u16string& directory;
  const DataFileNames& names;  // bare
  const DataFileNames& paths;  // in the directory
  const Bytes& content;        // the new bytes, header included
  bool creating_default;       // the create-only save of a default file by a load
};

// Told of every save of a file it is handed to, for a record of it.
class SaveObserver {
 public:
  virtual ~SaveObserver() = default;
  // Under the file's lock, the new content written to the temporary file
  // and flushed, the backup (when due) copied beside it, just before the
  // replacing moves. False abandons the save: the side files go, nothing
  // else changes, and the save fails with kAbandoned.
  [[nodiscard]] virtual bool BeforeReplace(const SaveInProgress& save) = 0;
  // After the replacing move, or after the save failed past BeforeReplace.
  virtual void AfterReplace(const SaveInProgress& save, bool replaced) = 0;
};

// Reads what follows the header; false when it is not the format.
using ContentReader = std::function<bool(Archive&)>;
// Writes what follows the header; false when it cannot.
using ContentWriter = std::function<bool(Archive&)>;

// A whole file's bytes in `*content`: the header, then what `write` adds.
FileFailure MakeContent(const ContentWriter& write, Bytes* content);

class DataFile {
 public:
  // The file `base_name` in `directory` (empty, or ending in a backslash).
  DataFile(std::u16string directory, std::u16string_view base_name, Access access,
           MissingFile missing);

  const std::u16string& directory() const { return directory_; }
  const DataFileNames& names() const { return names_; }
  const DataFileNames& paths() const { return paths_; }
  Access access() const { return access_; }
  bool creates_default() const { return missing_ == MissingFile::kCreateDefault; }
  bool path_too_long() const { return too_long_; }
  // The file was read whole since the backup was last taken.
  bool backup_due() const { return backup_due_; }
  bool held() const { return held_lock_.held(); }
  // The identity of the file as this object last read it whole or put it
  // in place: what a table loaded or saved through it stands for. None
  // before either and after a read that failed.
  const std::optional<platform::FileIdentity>& identity() const { return identity_; }
  // The same file, access and default rule.
  bool SameAs(const DataFile& other) const;

  // Whether the file is there; never for a path too long.
  bool Exists() const;

  // Takes the lock until Release() or the object's end, so that no other
  // process saves between this one's load and save (a read and a save then
  // take no lock of their own). kReadOnly takes it only where the lock
  // file is there and makes none. kInUse when another process holds it
  // beyond a few seconds; a lock file that neither is there nor can be made
  // is no failure, and nothing is held.
  FileFailure Hold();
  void Release() { held_lock_.Unlock(); }

  // Reads the header and then the rest through `read`. Under the lock: a
  // kReadWrite file takes it (making the lock file) unless held; a
  // kReadOnly one reads under a held lock or none. The backup is due after
  // a read of the whole file only.
  FileFailure Read(const ContentReader& read);
  // Reads the backup the same way; whether it is due stays as it was.
  FileFailure ReadBackup(const ContentReader& read);

  // Replaces the file by `content` (header included): the temporary file
  // first, then, when due, the backup, then one replacing move. Under the
  // lock, held or taken for the save: saves of several processes follow one
  // another whole, and the last to succeed is the one in place. kNone only
  // when the file holds the new content; otherwise the file is as it was
  // and no side file of this save is left.
  FileFailure Save(const Bytes& content, SaveObserver* observer = nullptr);
  // The default file of a load: put in place only where no file is, never
  // over one. A file found there after all is no failure (it is to be read).
  FileFailure CreateDefault(const Bytes& content, SaveObserver* observer = nullptr);

 private:
  // `*identity`, when given, gets the file's identity, taken under the lock.
  FileFailure ReadFrom(const std::u16string& path, const ContentReader& read,
                       std::optional<platform::FileIdentity>* identity = nullptr) const;
  FileFailure Write(const Bytes& content, bool creating_default, SaveObserver* observer);

  std::u16string directory_;
  DataFileNames names_;
  DataFileNames paths_;
  Access access_;
  MissingFile missing_;
  bool too_long_;
  bool backup_due_ = false;
  std::optional<platform::FileIdentity> identity_;
  platform::FileLock held_lock_;
};

}  // namespace warden

#endif
