// cut_select: finds, per pedigree, the stars to cut and writes them to res.dat.
#include "common/interrupts.hpp"
#include "common/program.hpp"
#include "cut_select/cut_select.hpp"

int main() {
  loopcut::remove_part_files_on_interrupt();
  return loopcut::run_program(loopcut::run_cut_select);
}
