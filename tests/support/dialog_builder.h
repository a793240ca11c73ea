// Writes compiled dialog templates in the short form (DLGTEMPLATE), which the
// module's resource script never produces, for tests of the template reader.
#ifndef WARDEN_TESTS_SUPPORT_DIALOG_BUILDER_H
#define WARDEN_TESTS_SUPPORT_DIALOG_BUILDER_H

#include <cstdint>
#include <vector>

#include "platform/dialog_template.h"

namespace warden::testing {

// Ids are written in 16 bits; items without a class name get the atom of their kind.
std::vector<std::uint8_t> BuildShortDialog(const platform::DialogTemplate& dialog);

}  // namespace warden::testing

#endif
