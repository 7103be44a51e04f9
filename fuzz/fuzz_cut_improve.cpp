// The improver's whole run on arbitrary files.
//
// Input: NUL-separated segments: task.inp, the pedigree file, the weight file and the given
// res.dat. An empty first segment stands for the usual task file; a segment that is missing
// leaves its file missing.
//
// Beyond the rules of every run: a refused run leaves every file as it was; a run that ends
// normally has written a report of fixed lines that names each breaker once, by its identifier
// and label, costs no more than the given cut in any pedigree and leaves no loop. The cut is
// priced and checked for loops here, over the optimiser's view of the pedigree built before the
// run, with a union-find and sums of the harness's own.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "common/label.hpp"
#include "common/par.hpp"
#include "common/pedigree_file.hpp"
#include "cut_improve/cut_improve.hpp"
#include "harness.hpp"

using namespace loopcut::fuzz;
using loopcut::Kept;
using loopcut::StarModel;

namespace {

const char* const kNames[] = {"peds.dat", "weights.dat", "res.dat"};

// The search gets little work, and a wall-clock stop behind it: each run stays short.
const bool budget_set = [] {
  return setenv("LOOPCUT_IMPROVE_BUDGET", "0.01", 1) == 0 &&
         setenv("LOOPCUT_IMPROVE_SECONDS", "0.05", 1) == 0;
}();

// The optimiser's view of the files and the given cut, as the program reads them; nothing when
// they are refused.
struct Given {
  std::vector<std::string> task;
  std::vector<StarModel> models;
  std::vector<Kept> cut;
};

std::optional<Given> read_given() {
  Given g;
  bool built = false;
  run_captured([&] {
    loopcut::read_ceilings();
    g.task = loopcut::read_task_names("task.inp", 2);
    g.models = loopcut::build_star_models(g.task[0], g.task[1]);
    g.cut = loopcut::read_cut("res.dat", g.models);
    built = true;
  });
  if (!built) return std::nullopt;
  return g;
}

bool no_loop(const StarModel& m, const Kept& kept) {
  std::vector<int> up(static_cast<std::size_t>(m.nnode) + 1);
  std::iota(up.begin(), up.end(), 0);
  auto root = [&up](int v) {
    while (up[v] != v) v = up[v];
    return v;
  };
  for (std::size_t s = 0; s < m.stars.size(); ++s) {
    if (!kept[s]) continue;
    const std::vector<int>& nodes = m.stars[s].nodes;
    for (std::size_t k = 1; k < nodes.size(); ++k) {
      const int a = root(nodes[0]);
      const int b = root(nodes[k]);
      if (a == b) return false;
      up[a] = b;
    }
  }
  return true;
}

// Summed in star order, as every cost the program compares.
double cost(const StarModel& m, const Kept& kept) {
  double c = 0.0;
  for (std::size_t s = 0; s < m.stars.size(); ++s)
    if (!kept[s]) c += static_cast<double>(m.stars[s].weight);
  return c;
}

std::string label_text(const loopcut::Label& l) { return std::string(loopcut::label_view(l)); }

// The written report, read by its columns: identifier in 1-6, label in 10-29.
std::vector<Kept> read_written(const Given& g, const Outcome& o) {
  std::map<int, std::pair<std::size_t, std::size_t>> at;
  std::vector<Kept> kept(g.models.size());
  for (std::size_t p = 0; p < g.models.size(); ++p) {
    kept[p].assign(g.models[p].stars.size(), 1);
    for (std::size_t s = 0; s < g.models[p].stars.size(); ++s)
      at[g.models[p].stars[s].id] = {p, s};
  }
  const std::string text = read_file("res.dat");
  for (std::size_t start = 0; start < text.size(); start += 30) {
    const std::string line = text.substr(start, 29);
    const int id = std::atoi(line.substr(0, 6).c_str());
    const auto where = at.find(id);
    if (line.substr(6, 3) != "   " || where == at.end())
      fail("res.dat: a line that names no star: \"" + line + "\"", o);
    const auto [p, s] = where->second;
    if (line.substr(9) != label_text(g.models[p].stars[s].kod))
      fail("res.dat: the label of " + std::to_string(id) + " is not its own", o);
    if (!kept[p][s]) fail("res.dat: " + std::to_string(id) + " named twice", o);
    kept[p][s] = 0;
  }
  return kept;
}

void check_improved(const Given& g, const Outcome& o) {
  check_line_widths("res.dat", 0, 29, o);
  const std::vector<Kept> written = read_written(g, o);
  for (std::size_t p = 0; p < g.models.size(); ++p) {
    const std::string ped = "pedigree " + std::to_string(p + 1);
    if (!no_loop(g.models[p], written[p])) fail(ped + ": the written cut leaves a loop", o);
    if (written[p] == g.cut[p]) continue;
    // A cut that differs from the given one must cost less (NaN compares false here).
    if (!(cost(g.models[p], written[p]) < cost(g.models[p], g.cut[p])))
      fail(ped + ": the written cut costs no less than the given one", o);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const auto parts = split_input(data, size);
  fresh_work_dir();
  const std::string task = parts[0].empty() ? "peds.dat\nweights.dat\n" : confined(parts[0]);
  write_file("task.inp", task);
  std::map<std::string, std::string> before;
  for (std::size_t k = 1; k < parts.size() && k <= 3; ++k) {
    write_file(kNames[k - 1], parts[k]);
    before[kNames[k - 1]] = parts[k];
  }
  before["task.inp"] = task;
  const std::optional<Given> given = read_given();

  const Outcome o = run_captured(loopcut::run_cut_improve);
  check_common(o, task.find("part") != std::string::npos);
  if (o.err == "cut_improve: the search closed a loop\n") fail("the search closed a loop", o);
  // No file comes or goes; inputs stay as they were, and res.dat only changes in a normal end.
  std::vector<std::string> left = dir_entries();
  if (left.size() != before.size()) fail("files were added or removed", o);
  for (const auto& [name, content] : before) {
    if (name == "res.dat" && o.status == 0) continue;
    if (read_file(name) != content) fail(name + " changed", o);
  }
  if (o.status == 0) {
    if (!given) fail("a normal end on input the optimiser's view refuses", o);
    for (const std::string& input : given->task)
      if (input == "res.dat") fail("the report was written over the input " + input, o);
    check_improved(*given, o);
  }
  return 0;
}
