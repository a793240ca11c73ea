// The changes of a save of users.dat or section.dat, worked out from the
// table the writer loaded when the file on disk is the one it loaded, and
// from that file's bytes otherwise.
#ifndef WARDEN_HISTORY_CHANGE_SOURCES_H
#define WARDEN_HISTORY_CHANGE_SOURCES_H

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "accounts/account_record.h"
#include "history/save_recorder.h"
#include "history/table_diff.h"
#include "zones/zone_file.h"

namespace warden::history {

class AccountChanges : public ChangeSource {
 public:
  // `loaded`: the table as loaded from the file of identity `loaded_from`
  // (none: not loaded from a file); `saved`: the table saved.
  AccountChanges(const std::vector<AccountRecord>* loaded,
                 std::optional<platform::FileIdentity> loaded_from,
                 const std::vector<AccountRecord>& saved, std::optional<RenameHint> rename)
      : loaded_(loaded), loaded_from_(loaded_from), saved_(saved), rename_(std::move(rename)) {}

  std::optional<platform::FileIdentity> LoadedFrom() const override {
    return loaded_ ? loaded_from_ : std::nullopt;
  }
  std::string FromLoaded() const override { return DiffAccounts(*loaded_, saved_, rename_); }
  std::string FromFile(const std::string* old_bytes) const override;
  std::string LoadedToFile(const std::string& new_bytes) const override;

 private:
  const std::vector<AccountRecord>* loaded_;
  std::optional<platform::FileIdentity> loaded_from_;
  const std::vector<AccountRecord>& saved_;
  std::optional<RenameHint> rename_;
};

class ZoneChanges : public ChangeSource {
 public:
  ZoneChanges(const ZoneNames* loaded, std::optional<platform::FileIdentity> loaded_from,
              const ZoneNames& saved)
      : loaded_(loaded), loaded_from_(loaded_from), saved_(saved) {}

  std::optional<platform::FileIdentity> LoadedFrom() const override {
    return loaded_ ? loaded_from_ : std::nullopt;
  }
  std::string FromLoaded() const override { return DiffZones(*loaded_, saved_); }
  std::string FromFile(const std::string* old_bytes) const override;
  std::string LoadedToFile(const std::string& new_bytes) const override;

 private:
  const ZoneNames* loaded_;
  std::optional<platform::FileIdentity> loaded_from_;
  const ZoneNames& saved_;
};

// The changes from the file `old_bytes` (none: no file) to the file
// `new_bytes`, for a writer that loaded no table.
std::string DiffAccountFiles(const std::string* old_bytes, std::string_view new_bytes);
std::string DiffZoneFiles(const std::string* old_bytes, std::string_view new_bytes);

}  // namespace warden::history

#endif
