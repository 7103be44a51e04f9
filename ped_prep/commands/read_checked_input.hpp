#pragma once
// The first steps of import and run: the input read, the parents it names added when asked,
// and the whole checked, before anything is computed or written.
#include <optional>
#include <string>

#include "ped_prep/formats/genotypes.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::prep {

// How import and run read their input.
struct ReadOptions {
  bool keep_one_parent = false;
  bool add_missing_parents = false;  // a founder record for each parent named without one
  bool strict = false;               // gedcom: a line naming no record is a problem
  std::string genotypes;  // linkage: the data file of the further columns, for genotype weights
};

// An input that can be used: its records, their parents, and the layout of the further columns
// when --genotypes named a data file.
struct CheckedInput {
  std::optional<DataLayout> layout;
  PedigreeInput in;
  Parents parents;
};

// Reads INPUT in `format` (and the data file of --genotypes), adds the missing parents when
// asked, and checks the whole. Returns nothing when the input is refused, its problems and what
// would make it usable having been written to the error output.
std::optional<CheckedInput> read_checked_input(Format format, const std::string& input,
                                               const ReadOptions& options);

// The checked input renumbered for the chain, as the options ask.
Prepared prepare_checked_input(const CheckedInput& checked, const ReadOptions& options);

}  // namespace loopcut::prep
