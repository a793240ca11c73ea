// Runs a registration script in the usual registrar syntax:
//
//   HKCR
//   {
//     NoRemove CLSID
//     {
//       ForceRemove {guid} = s 'Text'
//       {
//         InprocServer32 = s '%MODULE%'
//         {
//           val ThreadingModel = s 'both'
//         }
//       }
//     }
//   }
//
// Tokens are separated by blanks; quoted text uses '' for a quote; %NAME% is
// replaced by its value and %% by one %. Keys marked NoRemove are only
// entered, ForceRemove keys are deleted whole before being written and on
// unregistration, Delete keys are deleted on registration. Other keys are
// removed on unregistration once nothing else lies below them.
#ifndef WARDEN_SHELL_REGISTRAR_H
#define WARDEN_SHELL_REGISTRAR_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/com.h"

namespace warden {

enum class RegistrarMode { kRegister, kUnregister };

using RegistrarReplacements = std::vector<std::pair<std::u16string, std::u16string>>;

// The whole script is checked before the registry is touched: a syntax
// error or an unknown replacement gives DISP_E_EXCEPTION and changes
// nothing. Otherwise the first failing registry call's result is returned,
// with what was written before it left in place.
HRESULT RunRegistrarScript(std::string_view script, const RegistrarReplacements& replacements,
                           RegistrarMode mode);

}  // namespace warden

#endif
