// The weight program's whole run on arbitrary files.
//
// Input: NUL-separated segments: task_w_fin.inp, rrr.dat and the list file list.dat. An empty
// first segment stands for the task "5, list.dat"; a segment that is missing leaves its file
// missing.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "cost_prep/cost_prep.hpp"
#include "harness.hpp"

using namespace loopcut::fuzz;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = split_input(data, size);
  fresh_work_dir();
  const bool default_task = parts[0].empty();
  const std::string task = default_task ? "5\nlist.dat\n" : confined(parts[0]);
  write_file("task_w_fin.inp", task);
  static const char* const names[] = {"rrr.dat", "list.dat"};
  for (std::size_t k = 1; k < parts.size() && k <= 2; ++k) write_file(names[k - 1], parts[k]);

  const Outcome o = run_captured(loopcut::run_cost_prep);
  check_common(o, task.find("part") != std::string::npos);
  if (task.find("w_") != std::string::npos) return 0;  // the list file may be a weight file
  static const char* const outputs[] = {"w_res.dat", "w_0.dat", "w_s.dat", "w_l.dat"};
  if (o.status != 0) {
    for (const char* name : outputs)
      if (file_exists(name)) fail(std::string("weight file left by a failed run: ") + name, o);
    return 0;
  }
  // The four files are written together: one line per star in each.
  long lines = -1;
  for (const char* name : outputs) {
    if (!file_exists(name)) fail(std::string("normal end without ") + name, o);
    const std::string text = read_file(name);
    const long n = std::count(text.begin(), text.end(), '\n');
    if (!text.empty() && text.back() != '\n') fail(std::string(name) + ": last line has no line end", o);
    if (lines >= 0 && n != lines) fail(std::string(name) + ": not as many lines as w_res.dat", o);
    lines = n;
  }
  return 0;
}
