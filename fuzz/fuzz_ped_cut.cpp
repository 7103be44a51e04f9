// The cutter's whole run on arbitrary files.
//
// Input: NUL-separated segments: task.inp, the pedigree file, the weight file and res.dat. An
// empty first segment stands for the usual task file (cut pedigree file cut.dat); a segment that
// is missing leaves its file missing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.hpp"
#include "ped_cut/ped_cut.hpp"

using namespace loopcut::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = split_input(data, size);
  fresh_work_dir();
  const bool default_task = parts[0].empty();
  const std::string task = default_task ? "peds.dat\nweights.dat\ncut.dat\n" : confined(parts[0]);
  write_file("task.inp", task);
  static const char* const names[] = {"peds.dat", "weights.dat", "res.dat"};
  for (std::size_t k = 1; k < parts.size() && k <= 3; ++k) write_file(names[k - 1], parts[k]);

  const Outcome o = run_captured(loopcut::run_ped_cut);
  check_common(o, task.find("part") != std::string::npos);
  if (default_task) {
    // The cut pedigree file is written last, whole or not at all.
    if (o.status == 0 && !file_exists("cut.dat")) fail("normal end without cut.dat", o);
    if (o.status != 0 && file_exists("cut.dat")) fail("cut.dat written by a failed run", o);
    if (o.status == 0) check_line_widths("cut.dat", 1, 58, o);
  }
  return 0;
}
