// The type library embedded in Warden.dll, read back through ITypeInfo as
// a host's development tools would see it once registered.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/warden_interface.h"
#include "tests/wine/installed_copy.h"

namespace warden {
namespace {

std::wstring Take(BSTR text) {
  std::wstring value = text ? std::wstring(text, SysStringLen(text)) : L"<null>";
  SysFreeString(text);
  return value;
}

std::wstring Documentation(ITypeLib* library, INT index) {
  BSTR text = nullptr;
  library->GetDocumentation(index, nullptr, &text, nullptr, nullptr);
  return Take(text);
}

struct Method {
  std::wstring name;
  std::wstring help;
  std::vector<std::wstring> parameters;
  std::vector<USHORT> directions;  // PARAMFLAG_FIN or PARAMFLAG_FOUT
};

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

TEST_F(TypeLibraryTest, LibraryClassAndInterfaceAreDescribed) {
  ASSERT_NE(library_, nullptr);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library_->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->wMajorVerNum, 1);
  EXPECT_EQ(attributes->wMinorVerNum, 0);
  EXPECT_EQ(attributes->lcid, 0x409u);
  library_->ReleaseTLibAttr(attributes);
  BSTR name = nullptr;
  ASSERT_EQ(library_->GetDocumentation(-1, &name, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(Take(name), L"WARDENLib");
  EXPECT_EQ(Documentation(library_, -1), L"Warden 1.0 Type Library");

  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(CLSID_Config, &coclass), S_OK);
  BSTR help = nullptr;
  coclass->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
  EXPECT_EQ(Take(name), L"Config");
  EXPECT_EQ(Take(help), L"Config Class");
  coclass->Release();

  ITypeInfo* info = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IConfig, &info), S_OK);
  TYPEATTR* type = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&type), S_OK);
  EXPECT_EQ(type->typekind, TKIND_INTERFACE);  // custom, not dual
  EXPECT_EQ(type->cFuncs, 8);
  EXPECT_EQ(type->cImplTypes, 1);
  info->ReleaseTypeAttr(type);
  info->GetDocumentation(MEMBERID_NIL, &name, &help, nullptr, nullptr);
  EXPECT_EQ(Take(name), L"IConfig");
  EXPECT_EQ(Take(help), L"IConfig Interface");
  HREFTYPE base_ref = 0;
  ITypeInfo* base = nullptr;
  ASSERT_EQ(info->GetRefTypeOfImplType(0, &base_ref), S_OK);
  ASSERT_EQ(info->GetRefTypeInfo(base_ref, &base), S_OK);
  base->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  EXPECT_EQ(Take(name), L"IUnknown");
  base->Release();
  info->Release();
}

TEST_F(TypeLibraryTest, MethodsInSlotOrderWithNamesHelpAndDirections) {
  ASSERT_NE(library_, nullptr);
  constexpr USHORT in = PARAMFLAG_FIN;
  constexpr USHORT out = PARAMFLAG_FOUT;
  const Method expected[] = {
      {L"ManageDoModal", L"method ManageDoModal", {L"pParentWnd"}, {in}},
      {L"GetAllUser", L"method GetAllUser", {L"m_nUserNum", L"Array_User", L"NetPath"},
       {in, out, in}},
      {L"GetAllSection", L"method GetAllSection", {L"Array_Section", L"NetPath"}, {out, in}},
      {L"GetLastError", L"method GetLastError", {L"ErrNo"}, {out}},
      {L"SaveAllSection", L"method SaveAllSection", {L"Array_Section"}, {in}},
      {L"GetUserNum", L"method GetUserNum", {L"m_nUserNum", L"NetPath"}, {out, in}},
      {L"SaveAllUsers", L"method SaveAllUsers", {L"m_nUserNum", L"Array_User"}, {in, in}},
      // The host's headers have always carried this help string.
      {L"SetCurUser", L"method GetCurUser", {L"pCurUser"}, {out}},
  };
  ITypeInfo* info = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IConfig, &info), S_OK);
  for (UINT index = 0; index < 8; ++index) {
    const Method& method = expected[index];
    SCOPED_TRACE(index);
    FUNCDESC* function = nullptr;
    ASSERT_EQ(info->GetFuncDesc(index, &function), S_OK);
    EXPECT_EQ(function->oVft, static_cast<SHORT>((3 + index) * sizeof(void*)));
    EXPECT_EQ(function->elemdescFunc.tdesc.vt, VT_HRESULT);
    BSTR names[8] = {};
    UINT count = 0;
    ASSERT_EQ(info->GetNames(function->memid, names, 8, &count), S_OK);
    ASSERT_EQ(count, method.parameters.size() + 1);
    EXPECT_EQ(Take(names[0]), method.name);
    for (UINT p = 0; p < method.parameters.size(); ++p) {
      EXPECT_EQ(Take(names[p + 1]), method.parameters[p]);
      EXPECT_EQ(function->lprgelemdescParam[p].paramdesc.wParamFlags &
                    (PARAMFLAG_FIN | PARAMFLAG_FOUT),
                method.directions[p]);
    }
    BSTR help = nullptr;
    ASSERT_EQ(info->GetDocumentation(function->memid, nullptr, &help, nullptr, nullptr), S_OK);
    EXPECT_EQ(Take(help), method.help);
    info->ReleaseFuncDesc(function);
  }
  info->Release();
}

// The window handle is typed as the remotable handle of the COM wire format.
TEST_F(TypeLibraryTest, ParentWindowIsTheRemotableWindowHandle) {
  ASSERT_NE(library_, nullptr);
  ITypeInfo* info = nullptr;
  ASSERT_EQ(library_->GetTypeInfoOfGuid(IID_IConfig, &info), S_OK);
  FUNCDESC* function = nullptr;
  ASSERT_EQ(info->GetFuncDesc(0, &function), S_OK);
  const TYPEDESC& type = function->lprgelemdescParam[0].tdesc;
  ASSERT_EQ(type.vt, VT_USERDEFINED);
  ITypeInfo* handle = nullptr;
  ASSERT_EQ(info->GetRefTypeInfo(type.hreftype, &handle), S_OK);
  BSTR name = nullptr;
  handle->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
  EXPECT_EQ(Take(name), L"wireHWND");
  handle->Release();
  info->ReleaseFuncDesc(function);
  info->Release();
}

}  // namespace
}  // namespace warden
