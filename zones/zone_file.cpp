#include "zones/zone_file.h"

#include "platform/resources.h"
#include "resources/resource_ids.h"
#include "storage/field_cipher.h"

namespace warden {
namespace {

FileFailure ZoneFileContent(const ZoneNames& names, Bytes* content) {
  return MakeContent([&names](Archive& archive) { return WriteZoneNames(archive, names); },
                     content);
}

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

DataFile ZoneFileIn(const std::u16string& directory, Access access, MissingFile missing) {
  return DataFile(directory, u"section", access, missing);
}

FileFailure SaveZoneFile(const ZoneNames& names, DataFile& file, SaveObserver* observer) {
  Bytes content;
  const FileFailure failure = ZoneFileContent(names, &content);
  return failure == FileFailure::kNone ? file.Save(content, observer) : failure;
}

FileFailure LoadZoneFile(ZoneNames& names, DataFile& file, SaveObserver* creating) {
  if (!file.path_too_long() && !file.Exists()) {
    names = DefaultZoneNames();
    if (!file.creates_default()) return FileFailure::kNotFound;
    Bytes content;
    FileFailure failure = ZoneFileContent(names, &content);
    if (failure == FileFailure::kNone) failure = file.CreateDefault(content, creating);
    if (failure != FileFailure::kNone) return failure;
  }
  return file.Read([&names](Archive& archive) { return ReadZoneNames(archive, names); });
}

}  // namespace warden
