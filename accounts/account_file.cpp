#include "accounts/account_file.h"

#include <optional>

#include "platform/files.h"
#include "platform/little_endian.h"
#include "storage/data_file.h"
#include "storage/field_cipher.h"

namespace warden {
namespace {

const DataFileNames kUsersFile{u"users.dat", u"users.111", u"users.112", u"users.bak",
                               u"users.lck"};

// The least a record can take: type, 64 zone flags and a one-byte empty text.
constexpr std::uint64_t kMinRecordBytes = 2 + 2 * kZoneCount + 1;

// `sealed` is scratch space kept across calls.
bool WriteField(Archive& archive, const std::u16string& text, std::u16string& sealed) {
  return EncipherText(text, &sealed) && archive.WriteText(sealed);
}

// Where unsealing failures are noted, if anywhere: the record being read.
struct DamageLog {
  std::vector<SealedFieldDamage>* damaged;
  std::size_t record;
};

bool ReadField(Archive& archive, std::u16string* text, std::u16string& sealed, DamageLog& log,
               const char* field) {
  if (!archive.ReadText(&sealed)) return false;
  // A field that cannot be unsealed reads as empty.
  if (DecipherText(sealed, text) != 0 && log.damaged) log.damaged->push_back({log.record, field});
  return true;
}

// Type and zone flags: 65 16-bit words, moved as one block.
constexpr std::size_t kFixedBytes = 2 + 2 * kZoneCount;

void StoreI16(std::uint8_t* at, std::int16_t value) {
  platform::StoreU16(at, static_cast<std::uint16_t>(value));
}

std::int16_t LoadI16(const std::uint8_t* at) {
  return static_cast<std::int16_t>(platform::LoadU16(at));
}

bool WriteRecord(Archive& archive, const AccountRecord& record, std::u16string& sealed) {
  std::uint8_t fixed[kFixedBytes];
  StoreI16(fixed, record.type);
  for (int zone = 0; zone < kZoneCount; ++zone)
    StoreI16(fixed + 2 + 2 * zone, record.sectionid[zone]);
  if (!archive.WriteBlock(fixed, sizeof fixed)) return false;
  if (!WriteField(archive, record.groupname, sealed)) return false;
  if (record.type == kTypeUser) {
    return WriteField(archive, record.username, sealed) &&
           WriteField(archive, record.password, sealed) &&
           WriteField(archive, record.usercomment, sealed) && archive.WriteI16(record.userpri) &&
           archive.WriteI32(record.limitTime);
  }
  if (record.type == kTypeGroup) return WriteField(archive, record.groupcomment, sealed);
  return true;
}

bool ReadRecord(Archive& archive, AccountRecord* record, std::u16string& sealed, DamageLog& log) {
  std::uint8_t fixed[kFixedBytes];
  if (!archive.ReadBytes(fixed, sizeof fixed)) return false;
  record->type = LoadI16(fixed);
  for (int zone = 0; zone < kZoneCount; ++zone)
    record->sectionid[zone] = LoadI16(fixed + 2 + 2 * zone);
  if (!ReadField(archive, &record->groupname, sealed, log, "groupname")) return false;
  if (record->type == kTypeUser) {
    return ReadField(archive, &record->username, sealed, log, "username") &&
           ReadField(archive, &record->password, sealed, log, "password") &&
           ReadField(archive, &record->usercomment, sealed, log, "usercomment") &&
           archive.ReadI16(&record->userpri) && archive.ReadI32(&record->limitTime);
  }
  if (record->type == kTypeGroup) {
    return ReadField(archive, &record->groupcomment, sealed, log, "groupcomment");
  }
  return true;
}

}  // namespace

bool WriteAccountTable(Archive& archive, const std::vector<AccountRecord>& table) {
  // The count travels as 16 bits; a larger table is refused, never cut short.
  if (table.size() > static_cast<std::size_t>(kMaxAccounts)) return false;
  if (!archive.WriteU16(static_cast<std::uint16_t>(table.size()))) return false;
  std::u16string sealed;
  for (const AccountRecord& record : table) {
    if (!WriteRecord(archive, record, sealed)) return false;
  }
  return true;
}

bool ReadAccountTable(Archive& archive, std::vector<AccountRecord>* table,
                      std::vector<SealedFieldDamage>* damaged) {
  table->clear();
  std::uint16_t count = 0;
  if (!archive.ReadU16(&count)) return false;
  // No writer goes past kMaxAccounts, and the interface counts in 16 signed
  // bits: a larger count is damage. So is one the remaining bytes cannot
  // hold, found before the table is allocated.
  if (count > kMaxAccounts || !archive.Require(count * kMinRecordBytes)) return false;
  std::vector<AccountRecord> records(count);
  std::u16string sealed;
  DamageLog log{damaged, 0};
  for (AccountRecord& record : records) {
    if (!ReadRecord(archive, &record, sealed, log)) return false;
    ++log.record;
  }
  *table = std::move(records);
  return true;
}

int SaveAccountFile(CUser& store, const DataLocation& location) {
  static const std::vector<AccountRecord> kNoTable;
  const std::vector<AccountRecord>& table = store.m_pUser ? *store.m_pUser : kNoTable;
  if (table.size() > static_cast<std::size_t>(kMaxAccounts)) return kFileNotWritable;
  return SaveDataFile(kUsersFile, location, &store.m_bUserBackupDue, SaveMode::kReplace,
                      [&table](Archive& archive) { return WriteAccountTable(archive, table); });
}

// A project directory (any directory but the install directory) is only
// read: when it has no users.dat, the store gets the default table, nothing
// is written anywhere, and the load reports 104.
int LoadAccountFile(CUser& store, const DataLocation& location) {
  store.ReleaseTable();
  const std::optional<std::u16string> path = DataFilePath(location.directory, kUsersFile.dat);
  if (!path) return kFileNotReadable;
  if (!platform::Files().exists(*path)) {
    store.SetDefaultTable();
    if (!location.is_install_directory) return kFileNotReadable;
    // Create-only, and a file found there after all is read, not overwritten:
    // a status query that failed must not cost the accounts.
    const std::vector<AccountRecord>& defaults = *store.m_pUser;
    bool no_backup = false;
    if (SaveDataFile(kUsersFile, location, &no_backup, SaveMode::kCreateOnly,
                     [&defaults](Archive& archive) {
                       return WriteAccountTable(archive, defaults);
                     }) != kFileOk &&
        !platform::Files().exists(*path)) {
      store.ReleaseTable();
      return kFileDefaultNotWritable;
    }
  }
  // A file that does not open leaves the store as it is (empty, or the
  // defaults just written); one that fails while being read leaves it empty.
  // A file without records leaves the store without a table, as before the load.
  std::vector<AccountRecord> table;
  bool opened = false;
  const int result =
      ReadDataFile(kUsersFile, location, &store.m_bUserBackupDue, &opened,
                   [&table](Archive& archive) { return ReadAccountTable(archive, &table); });
  if (result == kFileOk || opened) store.ReleaseTable();
  if (result == kFileOk && !table.empty()) store.m_pUser = std::move(table);
  return result;
}

}  // namespace warden
