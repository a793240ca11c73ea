#include <iostream>

#include "tools/wardenctl/console.h"
#include "tools/wardenctl/wardenctl.h"

int main(int argc, char** argv) {
  using namespace warden::ctl;
  const std::vector<std::string> args = CommandLineArguments(argc, argv);
  const auto console_out = ConsoleBuffer(false), console_err = ConsoleBuffer(true);
  std::ostream out(console_out ? console_out.get() : std::cout.rdbuf());
  std::ostream err(console_err ? console_err.get() : std::cerr.rdbuf());
  // As cout and cerr: errors unbuffered, and each output shown before the tool waits for input.
  err.setf(std::ios::unitbuf);
  err.tie(&out);
  std::cin.tie(&out);
  const int code = RunWardenctl(args, {out, err, std::cin, StdinIsTerminal(), SetEcho});
  out.flush();
  std::cin.tie(nullptr);
  return code;
}
