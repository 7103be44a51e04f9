#pragma once
// What the cut costs a likelihood program: the genotype combinations of its breakers.
#include <string>
#include <vector>

#include "ped_prep/pipeline/check.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// The lines of the summary: per pedigree with loops
//   genotype combinations of the breakers after elimination: 10^3.6 (unit weights: 10^4.5) in pedigree 2
// and then the total, without " in ...". The first figure is the product over the breakers of
// the cut (`check`, of the pedigree `full`), the second over the rows that unit weights would
// cut (`unit_rows`, rows of the chain's pedigree: the pedigrees of `full` flagged in `looped`).
// `weights` holds the genotype weight of each row of `full`.
std::vector<std::string> combinations_lines(const Prepared& full, const std::vector<char>& looped,
                                            const std::vector<double>& weights,
                                            const CheckResult& check,
                                            const std::vector<int>& unit_rows);

}  // namespace loopcut::prep
