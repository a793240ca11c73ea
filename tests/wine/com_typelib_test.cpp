// The type library embedded in Warden.dll, read back through ITypeInfo as
// a host's development tools would see it once registered.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
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

// "name: help string" of a library or a type.
template <typename Described>
std::wstring Documentation(Described* described, MEMBERID member = MEMBERID_NIL) {
  BSTR name = nullptr;
  BSTR help = nullptr;
  described->GetDocumentation(member, &name, &help, nullptr, nullptr);
  return Take(name) + L": " + Take(help);
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
    EXPECT_EQ(Documentation(info, function->memid), method.name + L": " + method.help);
    info->ReleaseFuncDesc(function);
  }
  info->Release();
}

}  // namespace
}  // namespace warden
