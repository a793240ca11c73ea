// The component's interface, IConfig, and its exchange records. Windows
// builds take them from the header widl writes from warden.idl; the POSIX
// build declares the same shapes over the COM stand-ins.
#ifndef WARDEN_RESOURCES_WARDEN_INTERFACE_H
#define WARDEN_RESOURCES_WARDEN_INTERFACE_H

#include "platform/com.h"

#ifdef _WIN32
#include "warden_idl.h"
#else

#include <cstdint>

struct USER_idl {
  std::int16_t type;
  std::int16_t sectionid[64];
  LPWSTR groupname;
  LPWSTR username;
  LPWSTR password;
  LPWSTR usercomment;
  std::int16_t userpri;
  std::int32_t limitTime;
  LPWSTR groupcomment;
};

struct Section_idl {
  LPWSTR sectionname;
};

struct IConfig : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE ManageDoModal(HWND pParentWnd) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAllUser(short m_nUserNum, USER_idl* Array_User,
                                               BSTR NetPath) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetAllSection(Section_idl* Array_Section, BSTR NetPath) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLastError(short* ErrNo) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveAllSection(Section_idl* Array_Section) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUserNum(short* m_nUserNum, BSTR NetPath) = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveAllUsers(short m_nUserNum, USER_idl* Array_User) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCurUser(USER_idl* pCurUser) = 0;

 protected:
  ~IConfig() = default;
};

#endif

#endif
