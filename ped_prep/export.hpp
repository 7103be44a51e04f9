#pragma once
#include <string>
#include <vector>

#include "ped_prep/chain_file.hpp"
#include "ped_prep/pedigree_input.hpp"
#include "ped_prep/prepare.hpp"

namespace loopcut::prep {

// One record of the cut file as it is written back.
struct OutRecord {
  int row = -1;  // row of `prepared` that it stands for (the breaker's, for a copy)
  bool copy = false;
  std::string family;
  std::string id;   // the identifier written
  int father = -1;  // index of the father's OutRecord
  int mother = -1;
  int sex = 0;
  bool has_children = false;
};

struct Identities {
  std::vector<OutRecord> records;
  std::vector<std::string> side;  // lines of the side file
};

// Names every record of the cut pedigree `cut` (records labelled as in `prepared`) as it will be
// written: the input's own identifiers, a breaker copy the breaker's with the suffix _c1, _c2,
// ..., a stand-in parent the known parent's with _u; and the side file's lines. Reads only.
Identities identify(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut);

// Writes the cut pedigree `cut`, its records named by `ids` (identify), back in the input's
// format. Stand-in parents are written only in the chain's own format. The side file
// OUTPUT.copies.tsv lists each copy, stand-in written and parent added by --add-missing-parents
// with its original ("-" for OUTPUT: the list goes to the error output). Returns the number of
// lines of the side file.
int export_pedigree(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    Identities ids, const std::string& output);

std::string copies_file_name(const std::string& output);

}  // namespace loopcut::prep
