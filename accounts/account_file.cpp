#include "accounts/account_file.h"

#include "platform/little_endian.h"
#include "storage/field_cipher.h"

namespace warden {
namespace {

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

// Whether a failed read got as far as the content, which then leaves no
// records behind.
bool ReachedContent(FileFailure failure) {
  return failure == FileFailure::kDamaged || failure == FileFailure::kOutOfMemory;
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

DataFile AccountFileIn(const std::u16string& directory, Access access, MissingFile missing) {
  return DataFile(directory, u"users", access, missing);
}

FileFailure AccountFileContent(const std::vector<AccountRecord>& table, Bytes* content) {
  // The count travels as 16 bits; a larger table is refused, never cut short.
  if (table.size() > static_cast<std::size_t>(kMaxAccounts)) return FileFailure::kTooLarge;
  return MakeContent([&table](Archive& archive) { return WriteAccountTable(archive, table); },
                     content);
}

FileFailure SaveAccountFile(const AccountTable& table, DataFile& file, SaveObserver* observer) {
  Bytes content;
  const FileFailure failure = AccountFileContent(table.records(), &content);
  return failure == FileFailure::kNone ? file.Save(content, observer) : failure;
}

// The default table is created only where no file is found, never over
// one: a status query that failed by mistake must not cost the accounts.
FileFailure LoadAccountFile(AccountTable& table, DataFile& file, SaveObserver* creating) {
  std::vector<AccountRecord> kept;  // what a read that never reaches the content leaves
  if (!file.path_too_long() && !file.Exists()) {
    kept = DefaultTable();
    if (!file.creates_default()) {
      table.LoadFailed(std::move(kept));
      return FileFailure::kNotFound;
    }
    Bytes content;
    FileFailure failure = AccountFileContent(kept, &content);
    if (failure == FileFailure::kNone) failure = file.CreateDefault(content, creating);
    if (failure != FileFailure::kNone) {
      table.LoadFailed();
      return failure;
    }
  }
  std::vector<AccountRecord> records;
  const FileFailure failure =
      file.Read([&records](Archive& archive) { return ReadAccountTable(archive, &records); });
  if (failure == FileFailure::kNone) {
    table.Loaded(std::move(records));
  } else {
    table.LoadFailed(ReachedContent(failure) ? std::vector<AccountRecord>() : std::move(kept));
  }
  return failure;
}

}  // namespace warden
