// cost_prep: turns relationship values into star weights and writes the four weight files.
#include "common/interrupts.hpp"
#include "common/program.hpp"
#include "cost_prep/cost_prep.hpp"

int main() {
  loopcut::remove_part_files_on_interrupt();
  return loopcut::run_program(loopcut::run_cost_prep);
}
