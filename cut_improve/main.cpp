// cut_improve: replaces res.dat by a cut that costs no more and still leaves no loop.
#include "common/interrupts.hpp"
#include "common/program.hpp"
#include "cut_improve/cut_improve.hpp"

int main() {
  loopcut::remove_part_files_on_interrupt();
  return loopcut::run_program(loopcut::run_cut_improve);
}
