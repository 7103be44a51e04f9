// ped_prep: brings pedigrees to the loop-breaking chain and takes the result back out.
#include <iostream>
#include <string>
#include <vector>

#include "ped_prep/chain/interrupts.hpp"
#include "ped_prep/commands/commands.hpp"

int main(int argc, char** argv) {
  loopcut::prep::watch_interrupts();
  std::vector<std::string> args(argv + 1, argv + argc);
  const int status = loopcut::prep::ped_prep_main(args);
  std::cout.flush();
  return status;
}
