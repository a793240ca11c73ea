// COM's basic shapes: HRESULT, GUID, IUnknown, IClassFactory, BSTR. On
// Windows the real ones; on POSIX minimal stand-ins with the same names and
// vtable order, so the component's COM classes compile and run natively.
#ifndef WARDEN_PLATFORM_COM_H
#define WARDEN_PLATFORM_COM_H

#include <cstddef>
#include <cstdint>
#include <string>

#ifdef _WIN32
#include <objbase.h>
#include <oleauto.h>
#else

#define STDMETHODCALLTYPE

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using BOOL = std::int32_t;
using OLECHAR = char16_t;
using BSTR = OLECHAR*;
using LPWSTR = OLECHAR*;
using HWND = void*;

struct GUID {
  std::uint32_t Data1;
  std::uint16_t Data2;
  std::uint16_t Data3;
  std::uint8_t Data4[8];
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;

inline bool IsEqualGUID(REFGUID a, REFGUID b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i) {
    if (a.Data4[i] != b.Data4[i]) return false;
  }
  return true;
}
inline bool operator==(REFGUID a, REFGUID b) { return IsEqualGUID(a, b); }
inline bool operator!=(REFGUID a, REFGUID b) { return !IsEqualGUID(a, b); }

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009);

inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
inline bool FAILED(HRESULT hr) { return hr < 0; }

struct IUnknown {
  virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
  virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
  virtual ULONG STDMETHODCALLTYPE Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct IClassFactory : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;

 protected:
  ~IClassFactory() = default;
};

extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;

#endif

namespace warden::platform {

static_assert(sizeof(OLECHAR) == sizeof(char16_t), "COM text is UTF-16");

// COM text seen as the core's UTF-16 and back; null stays null.
inline const char16_t* FromOle(const OLECHAR* text) {
  return reinterpret_cast<const char16_t*>(text);
}
inline OLECHAR* ToOle(const char16_t* text) {
  return reinterpret_cast<OLECHAR*>(const_cast<char16_t*>(text));
}

// Length of a zero-terminated COM text, looking at no more than `limit`
// units; `limit` itself when no terminator comes within them. Null is 0.
std::size_t BoundedLength(const OLECHAR* text, std::size_t limit);

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" in capitals, the registry's form.
std::u16string GuidText(REFGUID guid);

// Registers the type library embedded as TYPELIB 1 in the module file
// `module_path` (per user when `per_user` and the system offers it), or
// removes that registration. POSIX has no type-library registry: S_OK.
HRESULT RegisterTypeLibrary(const std::u16string& module_path, bool per_user);
HRESULT UnregisterTypeLibrary(const std::u16string& module_path, bool per_user);

}  // namespace warden::platform

#endif
