// One run of the tool: where the files are, which texts it speaks, the store
// it loaded and the logged-in user it acts as. Every failure is printed here
// and handed back as the exit code.
#ifndef WARDEN_TOOLS_WARDENCTL_SESSION_H
#define WARDEN_TOOLS_WARDENCTL_SESSION_H

#include <cstdint>
#include <string>

#include "accounts/builtin_names.h"
#include "accounts/user_store.h"
#include "platform/module_file.h"
#include "storage/data_location.h"
#include "tools/wardenctl/tool_texts.h"
#include "tools/wardenctl/wardenctl.h"

namespace warden::ctl {

struct GlobalOptions {
  std::string dir;   // empty: the install directory from the profile
  std::string lang;  // "zh", "en" or empty: the component's language
  std::string as;    // empty: nobody logged in
};

class Session {
 public:
  Session(const GlobalOptions& options, Io io);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Each returns kExitOk or prints why not and returns the exit code.
  int LoadAccounts();  // also applies --as
  int LoadZones();
  int SaveAccounts();
  int SaveZones();

  // Prints string-table text `id` (its %s or %d replaced by `argument`) on
  // stderr and returns kExitRefused.
  int Refuse(std::uint16_t id, const std::u16string& argument = {});
  int Refuse(ToolText text, const std::u16string& argument = {});
  int Usage(const std::string& message);

  // String-table text `id` in the chosen language.
  std::u16string Text(std::uint16_t id) const;
  std::u16string Text(ToolText text) const;
  bool english() const { return english_; }

  // The path of a data file in the location, as the user writes it.
  std::string FilePath(const char16_t* name) const;

  CUser store;
  DataLocation location;
  BuiltInNames builtin;
  Io io;

 private:
  int FileFailure(int code, std::uint16_t text, const char16_t* name);
  // No file `name` in the location (and the path is not too long).
  bool Missing(const char16_t* name) const;

  std::string as_;
  platform::ResourceModule component_texts_ = nullptr;  // the component's language
  platform::ResourceModule message_texts_ = nullptr;    // --lang
  bool english_ = false;
};

}  // namespace warden::ctl

#endif
