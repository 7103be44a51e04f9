// ped_cut: applies the cuts listed in res.dat to the pedigree and writes the cut pedigree file.
#include "common/interrupts.hpp"
#include "common/program.hpp"
#include "ped_cut/ped_cut.hpp"

int main() {
  loopcut::remove_part_files_on_interrupt();
  return loopcut::run_program(loopcut::run_ped_cut);
}
