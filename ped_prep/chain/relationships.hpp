#pragma once
// The user's relationship values and doubled stars, from their files to the rows of the chain.
#include <string>
#include <utility>
#include <vector>

#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Relationship values and doubled stars by person (index into the input's people; -1 for the
// whole pedigree's value), in the order of their files.
struct PersonValues {
  std::vector<std::pair<int, float>> values;
  std::vector<int> doubled;
};

// Reads relationship values (`weights`) and doubled stars (`doubled`, none when empty) keyed by
// the input's identifiers: one record per line, [family] identifier, then (for values) the value;
// the first record of `weights` is the whole pedigree's value.
PersonValues read_relationships(const PedigreeInput& in, const std::string& weights,
                                const std::string& doubled);

// The user's relationship values and doubled stars, keyed by rows of the chain's pedigree file.
struct Relationships {
  std::vector<std::pair<int, float>> values;  // in the file's order; row 0 is the whole pedigree's
  std::vector<int> doubled;
};

// The values keyed by rows of the chain's pedigree file, as cost_prep reads them (rrr.dat and
// the list file); people in pedigrees without loops need no weight.
Relationships by_rows(const PersonValues& read, const Prepared& chain);

}  // namespace loopcut::prep
