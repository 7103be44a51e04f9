#pragma once
// cut_improve inside the chain: its run with a progress line, and what it said of the cut.
#include <optional>
#include <string>
#include <vector>

namespace loopcut::prep {

// What cut_improve said of the cut of one pedigree, or of all of them: costs as it writes them.
struct ImprovedCut {
  int pedigree = 0;  // of the chain, from 1; 0 for the total
  std::string cost_before, cost_after;
  long stars_before = 0, stars_after = 0;
  bool proven = true;
  // No cut costs less than the bound; the gap is (cost - bound) / cost in percent. Absent for a
  // pedigree without loops in the optimiser's view.
  std::optional<std::string> bound, gap;
};

struct ImproveReport {
  std::vector<ImprovedCut> pedigrees;
  ImprovedCut total;
  // LOOPCUT_IMPROVE_SECONDS ended a search before the work budget was spent: the cut may
  // differ on another machine.
  bool clock_stopped = false;
};

// Runs cut_improve from `bin` on the optimiser's report in `dir`, a line rewritten in place on a
// terminal while it searches when `show_progress`; what it said of the cut, its pedigree numbers
// moved on by `first_pedigree`. A ChainStop when it stopped short.
ImproveReport improve_cut(const std::string& bin, const std::string& dir, int pedigrees,
                          int first_pedigree, bool show_progress);

// The reports of the batches as one: the pedigrees in order, the costs and bounds added up,
// the gap of the sums, proven only where every batch proved its cut.
ImproveReport add_improvements(const std::vector<ImproveReport>& batches);

}  // namespace loopcut::prep
