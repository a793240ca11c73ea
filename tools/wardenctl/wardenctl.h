// wardenctl: administering the accounts and zones of an installation from
// the command line, with the component's own rules, store and save protocol.
#ifndef WARDEN_TOOLS_WARDENCTL_WARDENCTL_H
#define WARDEN_TOOLS_WARDENCTL_WARDENCTL_H

#include <iosfwd>
#include <string>
#include <vector>

namespace warden::ctl {

enum ExitCode {
  kExitOk = 0,
  kExitRefused = 1,  // a rule refused; nothing written
  kExitFile = 2,     // a file could not be read or written
  kExitUsage = 64,   // the command line is wrong
};

// Where the tool reads and writes its text.
struct Io {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
  bool in_is_terminal = false;
  // Turns the terminal's echo off and on around a typed password; none: no terminal to tell.
  void (*echo)(bool on) = nullptr;
};

// Runs one command line (without the program name); UTF-8 arguments.
int RunWardenctl(const std::vector<std::string>& args, Io io);

}  // namespace warden::ctl

#endif
