#include "accounts/builtin_names.h"

#include "platform/resources.h"
#include "resources/resource_ids.h"

namespace warden {

BuiltInNames LoadBuiltInNames() {
  using platform::ResourceString;
  return {ResourceString(IDS_ADMIN_GROUP), ResourceString(IDS_ADMIN_USER),
          ResourceString(IDS_NO_GROUP), ResourceString(IDS_NONE)};
}

}  // namespace warden
