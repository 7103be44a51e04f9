// The optimiser's whole run on arbitrary files.
//
// Input: NUL-separated segments: task.inp, the pedigree file, the weight file and a previous
// res.dat. An empty first segment stands for the usual task file; a segment that is missing
// leaves its file missing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "cut_select/cut_select.hpp"
#include "harness.hpp"

using namespace loopcut::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = split_input(data, size);
  fresh_work_dir();
  const bool default_task = parts[0].empty();
  const std::string task = default_task ? "peds.dat\nweights.dat\n" : confined(parts[0]);
  write_file("task.inp", task);
  static const char* const names[] = {"peds.dat", "weights.dat", "res.dat"};
  for (std::size_t k = 1; k < parts.size() && k <= 3; ++k) write_file(names[k - 1], parts[k]);

  const Outcome o = run_captured(loopcut::run_cut_select);
  check_common(o, task.find("part") != std::string::npos);
  if (default_task && o.status == 0) {
    if (!file_exists("res.dat")) fail("normal end without res.dat", o);
    check_line_widths("res.dat", 0, 29, o);
  }
  return 0;
}
