// The type library embedded in Warden.dll, read back through ITypeInfo as
// a host's development tools would see it once registered.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "resources/warden_interface.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

std::wstring Take(BSTR text) {
  std::wstring value = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
  SysFreeString(text);
  return value;
}

// "name: help string" of a library or a type.
template <typename Described>
std::wstring Documentation(Described* described, MEMBERID member = MEMBERID_NIL) {
  BSTR name = nullptr;
  BSTR help = nullptr;
  described->GetDocumentation(member, &name, &help, nullptr, nullptr);
  return Take(name) + L": " + Take(help);
}

// "Name([in] a, [out] b)": a method's name, parameter names and directions.
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
  return signature + L")";
}

class TypeLibraryTest : public ::testing::Test {
 protected:
  TypeLibraryTest() {
    CoInitialize(nullptr);
    EXPECT_EQ(testing::RunRegsvr32(L"/s", copy_.DllPath()), 0u);
    EXPECT_EQ(LoadRegTypeLib(LIBID_WARDENLib, 1, 0, 0x409, &library_), S_OK);
  }
  ~TypeLibraryTest() override {
    if (library_) library_->Release();
    testing::RunRegsvr32(L"/s /u", copy_.DllPath());
    CoUninitialize();
  }

  testing::InstalledCopy copy_;
  ITypeLib* library_ = nullptr;
};

TEST_F(TypeLibraryTest, LibraryClassInterfaceAndMethodsAreDescribed) {
  ASSERT_NE(library_, nullptr);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(std::make_tuple(attributes->wMajorVerNum, attributes->wMinorVerNum, attributes->lcid),
            std::make_tuple(1, 0, 0x409u));
  library_->ReleaseTLibAttr(attributes);
  EXPECT_EQ(Documentation(library_), L"WARDENLib: Warden 1.0 Type Library");

  ITypeInfo* info = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_Config, &info), S_OK);
  EXPECT_EQ(Documentation(info), L"Config: Config Class");
  info->Release();
  ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IConfig, &info), S_OK);
  EXPECT_EQ(Documentation(info), L"IConfig: IConfig Interface");
  TYPEATTR* type = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_INTERFACE);  // custom, not dual
  EXPECT_EQ(type->cFuncs, 8);
  info->ReleaseTypeAttr(type);
  HREFTYPE base_ref = 0;
  ITypeInfo* base = nullptr;
  ASSERT_EQ(info->GetRefTypeOfImplType(0, &base_ref), S_OK);
  ASSERT_EQ(info->GetRefTypeInfo(base_ref, &base), S_OK);
  EXPECT_EQ(Documentation(base), L"IUnknown: <null>");
  base->Release();

  const wchar_t* expected[][2] = {
      {L"ManageDoModal([in] pParentWnd)", L"method ManageDoModal"},
      {L"GetAllUser([in] m_nUserNum, [out] Array_User, [in] NetPath)", L"method GetAllUser"},
      {L"GetAllSection([out] Array_Section, [in] NetPath)", L"method GetAllSection"},
      {L"GetLastError([out] ErrNo)", L"method GetLastError"},
      {L"SaveAllSection([in] Array_Section)", L"method SaveAllSection"},
      {L"GetUserNum([out] m_nUserNum, [in] NetPath)", L"method GetUserNum"},
      {L"SaveAllUsers([in] m_nUserNum, [in] Array_User)", L"method SaveAllUsers"},
      // The host's headers have always carried this help string.
      {L"SetCurUser([out] pCurUser)", L"method GetCurUser"},
  };
  for (UINT index = 0; index < 8; ++index) {
    SCOPED_TRACE(index);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(index, &function), S_OK);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + index) * sizeof(void*)));
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    EXPECT_EQ(Signature(info, *function), expected[index][0]);
    BSTR help = nullptr;
    info->GetDocumentation(function->memid, nullptr, &help, nullptr, nullptr);
    EXPECT_EQ(Take(help), expected[index][1]);
    info->ReleaseFuncDesc(function);
  }
  info->Release();
}

}  // namespace
}  // namespace warden
