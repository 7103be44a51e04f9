#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ped_prep/pipeline/chain_records.hpp"
#include "ped_prep/pipeline/loops.hpp"

namespace loopcut::prep {

// A pedigree file of the chain with its parents resolved to record indices.
struct IndexedPedigree {
  const ChainFile* file = nullptr;
  std::vector<int> fa, mo;        // record index of each parent, -1 for none
  std::vector<int> group;         // pedigree of each record, 0 .. numbers.size()-1
  std::vector<int> numbers;       // the pedigree number of each group, as the file gives it
  std::vector<std::string> problems;
};

IndexedPedigree index_pedigree(const ChainFile& file);

// Counts of one pedigree of the input; the last four only with a cut file.
struct PedigreeCounts {
  int number = 0;
  int individuals = 0;
  int founders = 0;
  int one_parent = 0;
  long loops = 0;
  int on_loops = 0;
  long left = 0;
  int breakers = 0;
  int copies = 0;
  int lost = 0;
};

struct CheckResult {
  bool with_cut = false;
  std::vector<PedigreeCounts> pedigrees;
  PedigreeCounts total;
  std::vector<std::string> problems;  // faults of the files themselves
  std::vector<std::string> lost;      // individuals missing from the cut file or with other parents
  LoopAnalysis input_loops;           // per record of the input
  std::vector<char> is_breaker;       // per record of the input: has a copy in the cut file
};

// Counts the input's pedigrees and loops and, given the cut file of the chain, compares the two:
// the loops left, the breakers and copies, and whether every individual of the input is there
// with its parents (or their copies). Individuals are matched by label.
CheckResult check_pedigrees(const ChainFile& input, const ChainFile* cut);

// The same for an input that index_pedigree and analyse_loops have already gone through.
CheckResult check_pedigrees(const ChainFile& input, const IndexedPedigree& ix,
                            LoopAnalysis input_loops, const ChainFile* cut);

// Writes the table and the findings. Pedigrees without loops are left out of the table unless
// `all` is set or the file has few pedigrees.
void print_check(const CheckResult& result, std::ostream& out, bool all);

// Whether the check found nothing wrong: no file faults and, with a cut file, no loop left and
// nobody lost.
bool check_passed(const CheckResult& result);

}  // namespace loopcut::prep
