#pragma once
// What every format's writer shares: the names of the cut pedigree's records as they are written
// back, and how OUTPUT is opened.
#include <string>
#include <vector>

#include "common/files.hpp"
#include "ped_prep/pipeline/chain_records.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

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
// ..., a stand-in parent the known parent's with _u; and the side file's lines. Written as
// `written` makeped, each child of a stand-in gets one of its own, and the copies and stand-ins
// get whole numbers above their family's largest instead. Reads only.
Identities identify(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    Format written);

// How a writer opens OUTPUT: "-" names standard output; anything else is replaced when done.
inline OutputFile::Mode output_mode(const std::string& output) {
  return output == "-" ? OutputFile::Mode::standard_output : OutputFile::Mode::replace_when_done;
}

}  // namespace loopcut::prep
