#pragma once
// The pedigree as the chain takes it: the rows of its pedigree file, and where each person of the
// input went.
#include <vector>

#include "common/label.hpp"

namespace loopcut::prep {

// One record of the pedigree file written for the chain; rows are numbered from 1 and the
// identifier is the row.
struct ChainRow {
  int ped = 0;
  int fa = 0;  // row of the father, 0 for none
  int mo = 0;
  int sex = 0;
  Label kod{};
  int person = -1;        // index into people; -1 for an added parent
  int known_parent = -1;  // added parent: the person whose unknown mate it stands for
  bool sex_set = false;   // the input gave no sex; this one is the role's, or 1
};

struct Prepared {
  std::vector<ChainRow> rows;         // rows[r - 1] is row r
  std::vector<int> pedigree_of;       // per person: pedigree index (0-based), before selection
  std::vector<int> row_of;            // per person: row, 0 when not written
  int pedigrees = 0;                  // pedigrees written
  int all_pedigrees = 0;              // connected groups of the whole input
  int added_parents = 0;
  int sex_set = 0;
  int one_parent_records = 0;
};

}  // namespace loopcut::prep
