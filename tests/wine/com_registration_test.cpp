// regsvr32 over a copy of Warden.dll: the registry entries, the ProgIDs and
// the registered type library as a host's tools read it, then
// unregistration.
#include <gtest/gtest.h>

#include <initguid.h>

#include <string>
#include <tuple>

#include "platform/registry.h"
#include "platform/text.h"
#include "resources/warden_interface.h"
#include "shell/config_ids.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

using platform::RegistryRoot;
using testing::RunRegsvr32;
constexpr RegistryRoot kHkcr = RegistryRoot::kClassesRoot;

std::u16string Value(const std::u16string& path, const std::u16string& name = u"") {
  std::u16string value;
  return platform::RegistryGetString(kHkcr, path, name, &value) ? value : u"<missing>";
}

std::wstring Take(BSTR text) {
  std::wstring value = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
  SysFreeString(text);
  return value;
}

// "Name([in] a, [out] b): help": a method's name, parameter names and
// directions, and its help string.
std::wstring Signature(ITypeInfo* info, const FUNCDESC& function) {
  BSTR names[8] = {};
  UINT count = 0;
  info->GetNames(function.memid, names, 8, &count);
  std::wstring signature = count ? Take(names[0]) + L"(" : L"<none>(";
  for (UINT p = 1; p < count; ++p) {
    const USHORT flags =
        function.lprgelemdescParam[p - 1].paramdesc.wParamFlags & (PARAMFLAG_FIN | PARAMFLAG_FOUT);
    const wchar_t* direction = flags == PARAMFLAG_FIN    ? L"[in] "
                               : flags == PARAMFLAG_FOUT ? L"[out] "
                                                         : L"[in, out or none] ";
    signature += (p > 1 ? L", " : L"") + (direction + Take(names[p]));
  }
  BSTR help = nullptr;
  info->GetDocumentation(function.memid, nullptr, &help, nullptr, nullptr);
  return signature + L"): " + Take(help);
}

// The type library embedded in Warden.dll, read through ITypeInfo as a
// host's development tools see it once registered.
void ExpectTypeLibrary() {
  ITypeLib* library = nullptr;
  ASSERT_EQ(LoadRegTypeLib(LIBID_WARDENLib, 1, 0, 0x409, &library), S_OK);
  ITypeInfo* info = nullptr;
  ASSERT_EQ(library->GetTypeInfoOfGuid(IID_IConfig, &info), S_OK);
  library->Release();
  TYPEATTR* type = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(std::make_tuple(type->typekind, type->cFuncs), std::make_tuple(TKIND_INTERFACE, 8));
  info->ReleaseTypeAttr(type);  // a custom interface, not dual
  const wchar_t* expected[] = {
      L"ManageDoModal([in] pParentWnd): method ManageDoModal",
      L"GetAllUser([in] m_nUserNum, [out] Array_User, [in] NetPath): method GetAllUser",
      L"GetAllSection([out] Array_Section, [in] NetPath): method GetAllSection",
      L"GetLastError([out] ErrNo): method GetLastError",
      L"SaveAllSection([in] Array_Section): method SaveAllSection",
      L"GetUserNum([out] m_nUserNum, [in] NetPath): method GetUserNum",
      L"SaveAllUsers([in] m_nUserNum, [in] Array_User): method SaveAllUsers",
      L"SetCurUser([out] pCurUser): method GetCurUser",  // as the host's headers always had it
  };
  for (UINT index = 0; index < 8; ++index) {
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(index, &function), S_OK);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + index) * sizeof(void*))) << index;
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT) << index;
    EXPECT_EQ(Signature(info, *function), expected[index]);
    info->ReleaseFuncDesc(function);
  }
  info->Release();
}

// The class a ProgID names, or all zeros.
CLSID ClassOf(const wchar_t* prog_id) {
  CLSID clsid{};
  return SUCCEEDED(CLSIDFromProgID(prog_id, &clsid)) ? clsid : CLSID{};
}

void ExpectRegistered(const std::wstring& dll) {
  const std::u16string clsid = platform::GuidText(kClsidConfig), class_key = u"CLSID\\" + clsid;
  const std::u16string rows[][3] = {
      {u"Warden.Config.1", u"", u"Config Class"},
      {u"Warden.Config.1\\CLSID", u"", clsid},
      {u"Warden.Config", u"", u"Config Class"},
      {u"Warden.Config\\CLSID", u"", clsid},
      {class_key, u"", u"Config Class"},
      {class_key + u"\\ProgID", u"", u"Warden.Config.1"},
      {class_key + u"\\VersionIndependentProgID", u"", u"Warden.Config"},
      {class_key + u"\\InprocServer32", u"", std::u16string(dll.begin(), dll.end())},
      {class_key + u"\\InprocServer32", u"ThreadingModel", u"both"},
  };
  for (const auto& [path, name, value] : rows)
    EXPECT_EQ(Value(path, name), value) << platform::ToUtf8(path + u" " + name);
  using Names = std::vector<std::u16string>;
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, class_key).size(), 3u);
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"Warden.Config"), Names{u"CLSID"});  // no CurVer
  EXPECT_EQ(platform::RegistrySubkeys(kHkcr, u"Warden.Config.1"), Names{u"CLSID"});
  EXPECT_TRUE(IsEqualGUID(ClassOf(L"Warden.Config"), CLSID_Config) &&
              IsEqualGUID(ClassOf(L"Warden.Config.1"), CLSID_Config));
}

TEST(RegistrationTest, RegisterTwiceThenUnregister) {
  testing::RegisteredConfig registered;
  ASSERT_NO_FATAL_FAILURE(registered.Create());  // regsvr32, then Config through its ProgID
  const std::wstring dll = registered.copy.DllPath();
  ExpectRegistered(dll);
  ExpectTypeLibrary();
  ASSERT_EQ(RunRegsvr32(L"/s", dll), 0u);  // one set, not two
  ExpectRegistered(dll);

  ASSERT_EQ(RunRegsvr32(L"/s /u", dll), 0u);
  const std::u16string gone[] = {u"Warden.Config", u"Warden.Config.1",
                                 u"CLSID\\" + platform::GuidText(kClsidConfig)};
  for (const std::u16string& key : gone) EXPECT_FALSE(platform::RegistryKeyExists(kHkcr, key));
  EXPECT_TRUE(platform::RegistryKeyExists(kHkcr, u"CLSID") &&
              IsEqualGUID(ClassOf(L"Warden.Config"), CLSID{}));
  ITypeLib* library = nullptr;
  EXPECT_NE(LoadRegTypeLib(LIBID_WARDENLib, 1, 0, 0x409, &library), S_OK);
  if (library) library->Release();
}

}  // namespace
}  // namespace warden
