// What users.dat and section.dat have in common: where they are, how long a
// path may be, how a file is read, and how a save replaces it without ever
// leaving the directory without the file.
#ifndef WARDEN_STORAGE_DATA_FILE_H
#define WARDEN_STORAGE_DATA_FILE_H

#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include "platform/files.h"
#include "storage/archive.h"
#include "storage/data_location.h"

namespace warden {

// Result codes of the file procedures; each equals a string-table id.
constexpr int kFileOk = 0;
constexpr int kFileDefaultNotWritable = 103;
constexpr int kFileNotReadable = 104;
constexpr int kFileNotWritable = 105;

// Paths live in buffers of 260 wide characters, terminator included.
constexpr std::size_t kMaxPathLength = 259;

// The names of one data file and its side files, all of the same length.
struct DataFileNames {
  const char16_t* dat;          // the file itself
  const char16_t* temp;         // the new content during a save
  const char16_t* backup_temp;  // the backup while it is being copied
  const char16_t* backup;       // the file as it was first read, taken by the next save
  const char16_t* lock;         // locked by every process while it saves or reads the file
};

// `directory` + `name`, or none when longer than kMaxPathLength.
std::optional<std::u16string> DataFilePath(const std::u16string& directory, const char16_t* name);

// A data file's lock file, held for as long as the object lives. Every
// read and save takes it for its own duration; a caller that loads, changes
// and saves takes it itself across all three, so that no other process
// saves in between, and says so with DataLocation::caller_holds_lock.
class DataFileLock {
 public:
  enum class Missing { kCreate, kLeave };  // a lock file not there is made, or left absent
  // Waits a few seconds for another holder to let go.
  DataFileLock(const std::u16string& path, Missing missing);
  ~DataFileLock();
  DataFileLock(const DataFileLock&) = delete;
  DataFileLock& operator=(const DataFileLock&) = delete;

  bool held() const { return handle_ != platform::kInvalidFile; }
  // Not held although the lock file is there: another process holds it.
  bool busy() const { return busy_; }

 private:
  platform::FileHandle handle_ = platform::kInvalidFile;
  bool busy_ = false;
};

using ArchiveBody = std::function<bool(Archive&)>;

// Opens the file in `location`, reads the header, then runs `read_body`.
// Returns kFileOk or kFileNotReadable; `*opened` tells whether the file
// opened. `*backup_due` is set only when the whole file was read, and
// cleared otherwise. In the install directory the read holds the lock file,
// so it never meets a save half done; other directories are only read, and
// get no lock file.
int ReadDataFile(const DataFileNames& names, const DataLocation& location, bool* backup_due,
                 bool* opened, const ArchiveBody& read_body);

enum class SaveMode {
  kReplace,     // the normal save: backup when due, then replace the file
  kCreateOnly,  // the default file of a load: never replaces an existing file
};

// Writes the header and `write_body` to the temporary file in `location`,
// then puts it in place. Returns kFileOk only when the file holds
// the new content; otherwise kFileNotWritable with the old file as it was.
// The whole save holds the lock file, so saves of several processes follow
// one another whole: the last to report kFileOk is the one in place. A lock
// not had within a few seconds fails the save.
int SaveDataFile(const DataFileNames& names, const DataLocation& location, bool* backup_due,
                 SaveMode mode, const ArchiveBody& write_body);

}  // namespace warden

#endif
