#include "platform/com.h"

const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
const IID IID_IClassFactory = {0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace warden::platform {

HRESULT RegisterTypeLibrary(const std::u16string&, bool) { return S_OK; }
HRESULT UnregisterTypeLibrary(const std::u16string&, bool) { return S_OK; }

}  // namespace warden::platform
