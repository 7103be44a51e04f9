#pragma once
#include <string>
#include <utility>
#include <vector>

#include "common/label.hpp"
#include "ped_prep/loops.hpp"
#include "ped_prep/pedigree_input.hpp"

namespace loopcut::prep {

// Parents of every person of the input, as indices into `people` (-1 for none).
struct Parents {
  std::vector<int> father;
  std::vector<int> mother;
};

// Checks the input and resolves the parents. Returns every problem found (the reader's first),
// each naming the individuals concerned; empty when the input can be used.
std::vector<std::string> validate(const PedigreeInput& in, Parents& parents);

// What would make a refused input usable, for the lines after its problems: for parents named
// without a record, --add-missing-parents (unless given) and, where the parent columns hold
// another program's missing code (x, -9, ., NA), that 0 is the missing code.
std::vector<std::string> advice(const PedigreeInput& in, bool adding_missing_parents);

// How a person is named in messages: "7 of family 12" or "I65".
std::string who(const Person& p);

struct PrepareOptions {
  // Keep records with one known parent as they are instead of giving each a stand-in for the
  // missing parent.
  bool keep_one_parent = false;
};

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

// Renumbers a validated input into the chain's pedigree file: one pedigree per connected group,
// in the order of the group's first record, parents before children, identifiers equal to rows,
// unique labels of at most 20 characters.
Prepared prepare(const PedigreeInput& in, const Parents& parents, const PrepareOptions& options);

// The (parent, mate) pairs of the rows, sorted, each once; an unknown mate (0) is a mate, as the
// optimiser counts them.
std::vector<std::pair<int, int>> distinct_couples(const Prepared& p);

// The capacities of the chain that the records break: records, pedigrees, mates of one
// individual. One message per capacity exceeded.
std::vector<std::string> capacity_problems(const PedigreeInput& in, const Prepared& p);

// The pedigrees flagged in `keep` (by pedigree number - 1), renumbered 1, 2, ... with their rows
// renumbered in order; labels stay as they are.
Prepared select_pedigrees(const Prepared& p, const std::vector<char>& keep);

// The `count` pedigrees of `p` from pedigree number `first` + 1 on, renumbered from 1, as
// select_pedigrees gives them; their rows are consecutive in `p`.
Prepared select_pedigree_range(const Prepared& p, int first, int count);

// The loops of each pedigree of `p`, counted on its chain rows.
LoopAnalysis analyse_prepared_loops(const Prepared& p);

// Per pedigree of `p` (by pedigree number - 1): 1 when it has a loop.
std::vector<char> looped_pedigrees(const Prepared& p);

// Connected groups of the input (through parent links), numbered 0.. in the order of each
// group's first person; returns the number of groups.
int connected_groups(const PedigreeInput& in, const Parents& parents, std::vector<int>& group);

}  // namespace loopcut::prep
