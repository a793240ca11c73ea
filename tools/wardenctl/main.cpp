#include <iostream>

#include "tools/wardenctl/console.h"
#include "tools/wardenctl/wardenctl.h"

int main(int argc, char** argv) {
  using namespace warden::ctl;
  return RunWardenctl(CommandLineArguments(argc, argv),
                      {std::cout, std::cerr, std::cin, StdinIsTerminal(), SetEcho});
}
