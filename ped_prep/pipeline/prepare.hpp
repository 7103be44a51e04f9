#pragma once
// The input renumbered for the chain: stand-ins for unknown parents, rows in order, labels.
#include <vector>

#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::prep {

struct PrepareOptions {
  // Keep records with one known parent as they are instead of giving each a stand-in for the
  // missing parent.
  bool keep_one_parent = false;
};

// Renumbers a validated input into the chain's pedigree file: one pedigree per connected group,
// in the order of the group's first record, parents before children, identifiers equal to rows,
// unique labels of at most 20 characters.
Prepared prepare(const PedigreeInput& in, const Parents& parents, const PrepareOptions& options);

// Connected groups of the input (through parent links), numbered 0.. in the order of each
// group's first person; returns the number of groups.
int connected_groups(const PedigreeInput& in, const Parents& parents, std::vector<int>& group);

}  // namespace loopcut::prep
