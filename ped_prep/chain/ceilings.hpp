#pragma once
#include <string>
#include <vector>

#include "ped_prep/chain/batches.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Raises the chain's ceilings (through the environment that the chain programs inherit) to what
// the largest batch needs. No ceiling is lowered, and none goes beyond what the fixed formats can
// write.
void raise_chain_ceilings(const BatchNeeds& needs);

// What the raised ceilings still cannot take, one message per capacity exceeded: a pedigree
// whose records, or whose individual's mates, pass what the chain's formats can hold. Empty when
// every batch can run.
std::vector<std::string> batch_capacity_problems(const PedigreeInput& in, const Prepared& chain,
                                                 const std::vector<PedigreeLoad>& loads,
                                                 const std::vector<Batch>& batches);

}  // namespace loopcut::prep
