#pragma once
// What a prepared pedigree asks of the chain, and the pedigrees of it that go through the chain.
#include <string>
#include <utility>
#include <vector>

#include "ped_prep/pipeline/loops.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// The (parent, mate) pairs of the rows, sorted, each once; an unknown mate (0) is a mate, as the
// optimiser counts them.
std::vector<std::pair<int, int>> distinct_couples(const Prepared& p);

// The capacities of the chain that the records break: records, pedigrees, mates of one
// individual. One message per capacity exceeded.
std::vector<std::string> capacity_problems(const PedigreeInput& in, const Prepared& p);

// The pedigrees flagged in `keep` (by pedigree number - 1), renumbered 1, 2, ... with their rows
// renumbered in order; labels stay as they are.
Prepared select_pedigrees(const Prepared& p, const std::vector<char>& keep);

// The `count` pedigrees of `p` from pedigree number `first` + 1 on, renumbered from 1, as
// select_pedigrees gives them; their rows are consecutive in `p`.
Prepared select_pedigree_range(const Prepared& p, int first, int count);

// The loops of each pedigree of `p`, counted on its chain rows.
LoopAnalysis analyse_prepared_loops(const Prepared& p);

// Per pedigree of `p` (by pedigree number - 1): 1 when it has a loop.
std::vector<char> looped_pedigrees(const Prepared& p);

}  // namespace loopcut::prep
