#pragma once
#include <string>
#include <vector>

#include "common/label.hpp"

namespace loopcut::prep {

// One record of a pedigree file of the chain: the input layout (ped id fa mo sex kod) or the
// cut layout (ped id fa mo sex prob kod), which the header line tells apart.
struct ChainRecord {
  int ped = 0;
  int id = 0;
  int fa = 0;
  int mo = 0;
  int sex = 0;
  int prob = 2;  // 2 for an individual of the input, 1 for a breaker copy
  Label kod{};
  int line = 0;
};

struct ChainFile {
  std::string file;
  bool cut_layout = false;  // the header names a prob column
  std::vector<ChainRecord> records;
};

}  // namespace loopcut::prep
