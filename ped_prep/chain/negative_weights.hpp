#pragma once
#include <string>
#include <vector>

namespace loopcut::prep {

// A relationship value above that of the whole pedigree gives a negative weight, and the
// optimiser never lists a star of negative weight: loops through it could not be opened.
// Rewrites the weight file (star number and weight per line) with every negative weight taken
// as 0, so that such an individual is the first choice to cut. Returns the star numbers changed.
std::vector<int> zero_negative_weights(const std::string& file);

}  // namespace loopcut::prep
