#pragma once
#include <vector>

namespace loopcut::prep {

// The loop graph of a pedigree: its nodes are the individuals and the nuclear families (one
// node per distinct father/mother pair with children; an unknown parent counts as part of the
// pair), each child linked to its family and each known parent to the families it heads.
struct LoopAnalysis {
  std::vector<char> on_loop;   // per individual: lies in a block of the graph that has a cycle
  std::vector<long> loops;     // per group: independent loops (edges - nodes + components)
  std::vector<int> on_loop_count;  // per group: individuals on loops
};

// Individuals 0 .. n-1 with parents fa/mo (-1 for none) and a group (pedigree) each, 0 .. groups-1.
// A family counts in the group of its first child. Runs in time linear in the size of the graph.
LoopAnalysis analyse_loops(const std::vector<int>& fa, const std::vector<int>& mo,
                           const std::vector<int>& group, int groups);

}  // namespace loopcut::prep
