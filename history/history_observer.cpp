#include "history/history_observer.h"

#include <new>

#include "history/history_files.h"
#include "platform/text.h"

namespace warden::history {
namespace {

std::string_view Chars(const Bytes& bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Changes worked out from the bytes alone: the file before the save (or
// none) against the new content.
class ContentChanges : public ChangeSource {
 public:
  ContentChanges(std::string_view file, std::string_view content)
      : users_(file == kUsersFile), content_(content) {}

  std::optional<platform::FileIdentity> LoadedFrom() const override { return std::nullopt; }
  std::string FromLoaded() const override { return "[]"; }
  std::string FromFile(const std::string* old_bytes) const override {
    return users_ ? DiffAccountFiles(old_bytes, content_) : DiffZoneFiles(old_bytes, content_);
  }
  std::string LoadedToFile(const std::string&) const override { return "[]"; }

 private:
  bool users_;
  std::string_view content_;  // the save's, which outlives this
};

}  // namespace

// Without the memory to make the record the save does not go on; a record
// already appended is settled by the next save, as a dead writer's.
bool HistoryObserver::BeforeReplace(const SaveInProgress& save) {
  try {
    const std::string file = platform::ToUtf8(save.names.dat);
    const ChangeSource* changes = changes_;
    if (!changes || save.creating_default) {
      from_content_ = std::make_unique<ContentChanges>(file, Chars(save.content));
      changes = from_content_.get();
    }
    recorder_.emplace(save.directory, file, save.creating_default ? "create" : action_, author_,
                      Chars(save.content), *changes);
    return recorder_->BeforeReplace();
  } catch (const std::bad_alloc&) {
    recorder_.reset();
    return false;
  }
}

void HistoryObserver::AfterReplace(const SaveInProgress&, bool replaced) {
  try {
    if (recorder_) recorder_->AfterReplace(replaced);
  } catch (const std::bad_alloc&) {
    // The outcome is missing: the next save finds it by the file's digest.
  }
  recorder_.reset();
}

AccountChanges ChangesOf(const LoadedAccounts& loaded, const std::vector<AccountRecord>& saved,
                         std::optional<RenameHint> rename) {
  return AccountChanges(loaded.table ? &*loaded.table : nullptr, loaded.from, saved,
                        std::move(rename));
}

ZoneChanges ChangesOf(const LoadedZones& loaded, const ZoneNames& saved) {
  return ZoneChanges(loaded.table ? &*loaded.table : nullptr, loaded.from, saved);
}

}  // namespace warden::history
