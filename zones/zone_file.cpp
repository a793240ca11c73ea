#include "zones/zone_file.h"

#include <optional>

#include "platform/files.h"
#include "platform/resources.h"
#include "resources/resource_ids.h"
#include "storage/data_file.h"
#include "storage/field_cipher.h"

namespace warden {
namespace {

const DataFileNames kSectionFile{u"section.dat", u"section.111", u"section.112", u"section.bak",
                                 u"section.lck"};

}  // namespace

ZoneNames DefaultZoneNames() {
  ZoneNames names;
  names[0] = platform::ResourceString(IDS_NONE);
  for (int zone = 1; zone < kZoneCount; ++zone) {
    const int repeat = (zone - 1) / 26 + 1;
    names[zone] = std::u16string(repeat, static_cast<char16_t>(u'A' + (zone - 1) % 26));
  }
  return names;
}

bool WriteZoneNames(Archive& archive, const ZoneNames& names) {
  std::u16string sealed;
  for (const std::u16string& name : names) {
    if (!EncipherText(name, &sealed) || !archive.WriteText(sealed)) return false;
  }
  return true;
}

bool ReadZoneNames(Archive& archive, ZoneNames& names) {
  std::u16string sealed;
  for (std::u16string& name : names) {
    if (!archive.ReadText(&sealed)) return false;
    DecipherText(sealed, &name);  // a name that cannot be unsealed reads as empty
  }
  return true;
}

int SaveSectionFile(CUser& store, const DataLocation& location) {
  const ZoneNames& names = store.m_strSection;
  return SaveDataFile(kSectionFile, location, &store.m_bSectionBackupDue, SaveMode::kReplace,
                      [&names](Archive& archive) { return WriteZoneNames(archive, names); });
}

// As for users.dat: a project directory is only read, and the default file
// is created only where none is found, never over one.
int LoadSectionFile(CUser& store, const DataLocation& location) {
  const std::optional<std::u16string> path = DataFilePath(location.directory, kSectionFile.dat);
  if (!path) return kFileNotReadable;
  if (!platform::Files().exists(*path)) {
    store.m_strSection = DefaultZoneNames();
    if (!location.is_install_directory) return kFileNotReadable;
    const ZoneNames& names = store.m_strSection;
    bool no_backup = false;
    if (SaveDataFile(kSectionFile, location, &no_backup, SaveMode::kCreateOnly,
                     [&names](Archive& archive) { return WriteZoneNames(archive, names); }) !=
            kFileOk &&
        !platform::Files().exists(*path)) {
      return kFileDefaultNotWritable;
    }
  }
  bool opened = false;
  ZoneNames& names = store.m_strSection;
  return ReadDataFile(kSectionFile, location, &store.m_bSectionBackupDue, &opened,
                      [&names](Archive& archive) { return ReadZoneNames(archive, names); });
}

}  // namespace warden
