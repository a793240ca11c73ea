// Writes the fuzzers' seed inputs: real files as the writers produce them,
// plus narrow-form and damaged variants.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "accounts/account_file.h"
#include "storage/field_cipher.h"
#include "storage/file_version.h"
#include "zones/zone_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// The header, then what `body` writes.
template <typename Body>
Bytes File(Body body) {
  Bytes bytes;
  warden::Archive archive = warden::Archive::Writing(bytes);
  warden::CVmNewFileVersion().Serialize(archive);
  body(archive);
  return bytes;
}

Bytes AccountFile(const std::vector<warden::AccountRecord>& table) {
  return File([&](warden::Archive& archive) { warden::WriteAccountTable(archive, table); });
}

Bytes ZoneFile(const warden::ZoneNames& names) {
  return File([&](warden::Archive& archive) { warden::WriteZoneNames(archive, names); });
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: make_seeds ACCOUNT_DIR ZONE_DIR DECIPHER_DIR\n");
    return 2;
  }
  const std::string accounts = argv[1], zones = argv[2], decipher = argv[3];

  warden::CUser store;
  store.SetDefaultTable();
  std::vector<warden::AccountRecord> table = *store.m_pUser;
  Put(accounts + "/default.dat", AccountFile(table));
  table.push_back(table[0]);
  table.back().type = 9;
  table.back().groupname = std::u16string(70, u'x');
  Bytes mixed = AccountFile(table);
  Put(accounts + "/mixed.dat", mixed);
  mixed.resize(mixed.size() / 2);
  Put(accounts + "/cut.dat", mixed);
  // A group whose name is a narrow-form text.
  std::u16string sealed;
  warden::EncipherText(u"narrow", &sealed);
  Put(accounts + "/narrow.dat", File([&](warden::Archive& archive) {
        archive.WriteU16(1);
        for (int i = 0; i <= warden::kZoneCount; ++i) archive.WriteI16(i == 0 ? 2 : 0);
        std::string narrow(sealed.begin(), sealed.end());
        narrow.insert(narrow.begin(), static_cast<char>(narrow.size()));
        archive.WriteBlock(narrow.data(), narrow.size());
        archive.WriteText(u"");
      }));

  warden::ZoneNames names = warden::DefaultZoneNames();
  Put(zones + "/default.dat", ZoneFile(names));
  names[3] = std::u16string(200, u'\u533A');
  names[4].clear();
  Put(zones + "/long.dat", ZoneFile(names));

  // DecipherText's input: the sealed text's UTF-16LE units.
  const auto units = [](const std::u16string& text) {
    Bytes bytes;
    for (char16_t c : text) bytes.insert(bytes.end(), {std::uint8_t(c), std::uint8_t(c >> 8)});
    return bytes;
  };
  int index = 0;
  for (std::size_t length : {1, 8, 31, 57}) {
    warden::EncipherText(std::u16string(length, u'n'), &sealed);
    Put(decipher + "/sealed" + std::to_string(index++), units(sealed));
  }
  Put(decipher + "/not-hex", units(u"0123456789ABCDEG"));
  return 0;
}
