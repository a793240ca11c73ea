// What users.dat and section.dat must both do: the directory rule and the
// save protocol under any one failing file call. Each file's test describes
// its file once and runs these against it.
#ifndef WARDEN_TESTS_SUPPORT_DATA_FILE_CHECKS_H
#define WARDEN_TESTS_SUPPORT_DATA_FILE_CHECKS_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "accounts/user_store.h"
#include "tests/support/install_dir.h"

namespace warden::testing {

enum class Content { kOld, kNew, kDefault };

struct DataFile {
  std::string stem;  // "users" or "section"
  std::function<int(CUser&, const DataLocation&)> load;
  std::function<int(CUser&, const DataLocation&)> save;
  std::function<void(CUser&, Content)> fill;  // puts that content in the store
  // The exact file a save of the store's content writes; empty when it holds none.
  std::function<std::vector<std::uint8_t>(const CUser&)> file_bytes;
  std::function<bool&(CUser&)> backup_due;
};

void ExpectDirectoryRule(const DataFile& file, InstallDir& install);
// Each file call of a save (a load) fails in turn; afterwards the file holds
// exactly the old or the new bytes, the result says which, and a load reads
// it. Without a failure they show the save protocol: the first save after a
// load backs up the file as loaded; a load of no file writes the defaults.
void ExpectSaveSurvivesAnyFailingFileCall(const DataFile& file, InstallDir& install);
void ExpectLoadSurvivesAnyFailingFileCall(const DataFile& file, InstallDir& install);

}  // namespace warden::testing

#endif
