#pragma once
#include <string>

#include "ped_prep/chain_file.hpp"
#include "ped_prep/pedigree_input.hpp"
#include "ped_prep/prepare.hpp"

namespace loopcut::prep {

// Writes the cut pedigree `cut` (records labelled as in `prepared`) back in the input's format
// with the original identifiers: a breaker copy takes the breaker's identifier with the suffix
// _c1, _c2, .... Stand-in parents are written only in the chain's own format, named after the
// known parent with the suffix _u. The side file OUTPUT.copies.tsv lists each copy, stand-in
// written and parent added by --add-missing-parents with its original ("-" for OUTPUT: the
// list goes to the error output). Returns the number of lines of the side file.
int export_pedigree(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    const std::string& output);

std::string copies_file_name(const std::string& output);

}  // namespace loopcut::prep
