// The data file's save observer that records every save it is handed to in
// the history (see save_recorder.h), and what a writer loaded, for the
// changes of its next save.
#ifndef WARDEN_HISTORY_HISTORY_OBSERVER_H
#define WARDEN_HISTORY_HISTORY_OBSERVER_H

#include <cstdint>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <vector>

#include "accounts/account_record.h"
#include "history/change_sources.h"
#include "history/save_recorder.h"
#include "storage/data_file.h"
#include "zones/zone_file.h"

namespace warden::history {

// The table a writer last loaded or saved through a data file, with the
// identity the file had then: the old side of the next save's changes,
// used while the file on disk is still that one.
template <typename Table>
struct Loaded {
  std::optional<Table> table;
  std::optional<platform::FileIdentity> from;

  // After a load or save of `now` through `file` that succeeded. Without
  // the memory for the copy, the next save's changes come from the file.
  void Take(const Table& now, const DataFile& file) noexcept {
    try {
      table = now;
      from = file.identity();
    } catch (const std::bad_alloc&) {
      Forget();
    }
  }
  void Forget() { table.reset(), from.reset(); }
};
using LoadedAccounts = Loaded<std::vector<AccountRecord>>;
using LoadedZones = Loaded<ZoneNames>;

class HistoryObserver : public SaveObserver {
 public:
  // A save whose changes `changes` works out; none: the changes from the
  // file on disk (or from nothing) to the new content, as for the default
  // file a load creates, which is recorded as "create" whatever `action`.
  HistoryObserver(Author author, const ChangeSource* changes, std::string action = "save")
      : author_(std::move(author)), changes_(changes), action_(std::move(action)) {}

  [[nodiscard]] bool BeforeReplace(const SaveInProgress& save) override;
  void AfterReplace(const SaveInProgress& save, bool replaced) override;

 private:
  Author author_;
  const ChangeSource* changes_;
  std::string action_;
  std::unique_ptr<ChangeSource> from_content_;
  std::optional<SaveRecorder> recorder_;
};

// The changes of a save of `saved` over the file `loaded` came from.
AccountChanges ChangesOf(const LoadedAccounts& loaded, const std::vector<AccountRecord>& saved,
                         std::optional<RenameHint> rename = std::nullopt);
ZoneChanges ChangesOf(const LoadedZones& loaded, const ZoneNames& saved);

}  // namespace warden::history

#endif
