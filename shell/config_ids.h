// The fixed GUIDs of the component; warden.idl and warden.rgs carry the same.
#ifndef WARDEN_SHELL_CONFIG_IDS_H
#define WARDEN_SHELL_CONFIG_IDS_H

#include "platform/com.h"

namespace warden {

extern const CLSID kClsidConfig;
extern const IID kIidIConfig;
extern const GUID kLibidWarden;

}  // namespace warden

#endif
