#pragma once
#include <string>
#include <vector>

#include "ped_prep/chain/improve.hpp"

namespace loopcut::prep {

// The summary of cut_improve's cut: a table with a row per pedigree with loops, numbered as the
// input's pedigrees (`looped` by pedigree number - 1 says which went through the chain, in
// order), and the total: cost before and after, the bound (no cut costs less) and the gap (how
// far above the bound the cut may be, in percent of its cost); then one line on the whole cut,
// and one more when the wall clock rather than the work budget stopped a search.
std::vector<std::string> improvement_lines(const ImproveReport& report,
                                           const std::vector<char>& looped);

}  // namespace loopcut::prep
