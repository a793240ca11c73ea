// Writes the fuzzers' seed inputs: real files as the writers produce them,
// plus narrow-form and damaged variants.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "accounts/account_file.h"
#include "accounts/field_cipher.h"
#include "accounts/file_version.h"
#include "zones/zone_file.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Put(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes AccountFile(const std::vector<warden::AccountRecord>& table) {
  Bytes bytes;
  warden::Archive archive = warden::Archive::Writing(bytes);
  warden::CVmNewFileVersion header;
  header.Serialize(archive);
  warden::WriteAccountTable(archive, table);
  return bytes;
}

Bytes ZoneFile(const warden::ZoneNames& names) {
  Bytes bytes;
  warden::Archive archive = warden::Archive::Writing(bytes);
  warden::CVmNewFileVersion header;
  header.Serialize(archive);
  warden::WriteZoneNames(archive, names);
  return bytes;
}

Bytes Utf16(const std::u16string& text) {
  Bytes bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  return bytes;
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
  warden::AccountRecord odd = table[0];
  odd.type = 9;
  odd.groupname = std::u16string(70, u'x');
  table.push_back(odd);
  Put(accounts + "/mixed.dat", AccountFile(table));
  Bytes cut = AccountFile(table);
  cut.resize(cut.size() / 2);
  Put(accounts + "/cut.dat", cut);
  // A group whose name is a narrow-form text.
  Bytes narrow = AccountFile({});
  narrow[132] = 1;
  narrow.insert(narrow.end(), {2, 0});
  narrow.insert(narrow.end(), 128, 0);
  std::u16string sealed;
  warden::EncipherText(u"narrow", &sealed);
  narrow.push_back(static_cast<std::uint8_t>(sealed.size()));
  for (char16_t c : sealed) narrow.push_back(static_cast<std::uint8_t>(c));
  narrow.insert(narrow.end(), {0xFF, 0xFE, 0xFF, 0x00});
  Put(accounts + "/narrow.dat", narrow);

  warden::ZoneNames names = warden::DefaultZoneNames();
  Put(zones + "/default.dat", ZoneFile(names));
  names[3] = std::u16string(200, u'\u533A');
  names[4].clear();
  Put(zones + "/long.dat", ZoneFile(names));

  const std::u16string texts[] = {u"A", u"corvinth", std::u16string(31, u'n'), std::u16string(57, u'z')};
  int index = 0;
  for (const std::u16string& text : texts) {
    warden::EncipherText(text, &sealed);
    Put(decipher + "/sealed" + std::to_string(index++), Utf16(sealed));
  }
  Put(decipher + "/not-hex", Utf16(u"0123456789ABCDEG"));
  return 0;
}
