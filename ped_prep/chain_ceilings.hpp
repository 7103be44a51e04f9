#pragma once
#include <string>
#include <vector>

#include "ped_prep/prepare.hpp"

namespace loopcut::prep {

// Raises the chain's ceilings (through the environment that the chain programs inherit) to what
// the pedigrees about to be sent need: their records with room for a copy of every parent per
// mate and a spare identifier, their pedigrees, their stars, the most mates of one individual.
// No ceiling is lowered, and none goes beyond what the fixed formats can write. Returns the
// problems left, one message per capacity still exceeded (empty when the chain can take them).
std::vector<std::string> raise_chain_ceilings(const PedigreeInput& in, const Prepared& chain);

}  // namespace loopcut::prep
