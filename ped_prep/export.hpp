#pragma once
#include <string>

#include "ped_prep/chain_file.hpp"
#include "ped_prep/pedigree_input.hpp"
#include "ped_prep/prepare.hpp"

namespace loopcut::prep {

// Writes the cut pedigree `cut` (records labelled as in `prepared`) back in the input's format
// with the original identifiers: a breaker copy takes the breaker's identifier with the suffix
// _c1, _c2, ... and an added parent the known parent's identifier with the suffix _u. The side
// file OUTPUT.copies.tsv lists each of them with its original. Returns the number of lines of
// the side file.
int export_pedigree(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    const std::string& output);

std::string copies_file_name(const std::string& output);

}  // namespace loopcut::prep
