// Records a save of users.dat or section.dat in the history, under the data
// file's lock, around its one replacing move:
//
//   BeforeReplace (the new content written, the backup taken): settles a
//     record a dead writer left without outcome, records a change made
//     outside Warden, keeps the file about to be replaced as a generation
//     (a hard link, a copy where none can be made) and appends the save's
//     record. False: the save must not go on (nothing it left is in the
//     way: the generation goes again, the record gets the outcome "failed").
//   AfterReplace: appends the outcome, then lets the oldest generations go.
//
// The trail's own lock is held from BeforeReplace to AfterReplace, so the
// saves of both files append one after another.
#ifndef WARDEN_HISTORY_SAVE_RECORDER_H
#define WARDEN_HISTORY_SAVE_RECORDER_H

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "history/trail_tail.h"
#include "history/trail_writer.h"
#include "platform/files.h"

namespace warden::history {

// Who saves, as the record names them.
struct Author {
  std::string front_end;               // "api", "dialog", "cli"
  std::optional<std::u16string> user;  // the Warden user; none when nobody is logged in
};

// Works out what a save changes. The writer knows the table it loaded and
// the file it loaded it from; the file on disk is read only when it is
// another one.
class ChangeSource {
 public:
  virtual ~ChangeSource() = default;
  // The identity of the file the writer loaded its table from, if it did.
  virtual std::optional<platform::FileIdentity> LoadedFrom() const = 0;
  // The changes from the loaded table to the one saved.
  virtual std::string FromLoaded() const = 0;
  // The changes from the file `old_bytes` (none: no file) to the table saved.
  virtual std::string FromFile(const std::string* old_bytes) const = 0;
  // The changes from the loaded table to the file `new_bytes` (another
  // program's change); "[]" when they cannot be worked out.
  virtual std::string LoadedToFile(const std::string& new_bytes) const = 0;
};

class SaveRecorder {
 public:
  // `directory` ends in a backslash; `file` is kUsersFile or kSectionFile;
  // `action` "save", "create" or "restore"; `bytes` the whole new file.
  SaveRecorder(std::u16string directory, std::string_view file, std::string action, Author author,
               std::string_view bytes, const ChangeSource& changes);
  ~SaveRecorder();
  SaveRecorder(const SaveRecorder&) = delete;
  SaveRecorder& operator=(const SaveRecorder&) = delete;

  [[nodiscard]] bool BeforeReplace();
  void AfterReplace(bool replaced);

  // The seq of the save's record, once appended.
  std::uint64_t seq() const { return seq_; }

 private:
  TrailLine NewRecord(const Author& author, std::string action, std::string changes) const;
  bool Append(TrailLine& line);
  bool AppendOutcome(std::uint64_t of, std::string_view outcome,
                     const std::optional<platform::FileIdentity>& identity);
  // The file on disk now: its digest (none when missing) and identity.
  bool ReadCurrent();
  bool SettlePending();
  bool RecordOutsideChange();
  bool KeepGeneration();
  void DropOldGenerations();
  void Release();

  std::u16string directory_, path_;
  std::string file_, action_;
  Author author_;
  std::string_view bytes_;
  const ChangeSource& changes_;

  platform::FileHandle lock_ = platform::kInvalidFile;
  std::optional<TrailWriter> writer_;
  TrailTail tail_;
  std::optional<std::string> expected_;  // what the last committed save left
  std::optional<std::string> current_;   // the file's digest now
  std::optional<platform::FileIdentity> current_identity_;
  std::optional<std::string> current_bytes_;  // read when hashed
  std::string generation_;                    // made by this save
  std::uint64_t seq_ = 0;
  bool record_appended_ = false;
};

}  // namespace warden::history

#endif
