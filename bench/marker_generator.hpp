#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace loopcut::bench {

// Deterministic marker data for a pedigree: alleles passed from parents to children by
// Mendel's rules, founders (and the unknown parent of a one-parent record) drawing from the
// marker's allele frequencies; the youngest generations mostly typed, the older ones seldom.
struct MarkerOptions {
  int markers = 8;
  int min_alleles = 3;
  int max_alleles = 12;
  std::uint64_t seed = 1;
  int missing_percent = 5;  // a typed individual still misses a marker this often
};

// One record of a pedigree file of the chain: pedigree, identifier, father, mother, sex.
struct PedigreeRecord {
  int ped = 0, id = 0, fa = 0, mo = 0, sex = 0;
  int line = 0;  // line of the file
};

// Reads the text of a pedigree file of the chain (a header line, then "ped id fa mo sex label"
// records). Throws std::runtime_error naming the file and the line of a record it cannot read,
// a parent without a record, or a cycle of ancestry.
std::vector<PedigreeRecord> parse_chain_pedigree(const std::string& text, const std::string& name);

struct MarkerFiles {
  std::string linkage;  // family, individual, father, mother, sex, then two alleles per marker
  std::string data;     // the data file: an M line per marker, then E
  int typed = 0;        // individuals typed at one marker at least
};

// The records must be as parse_chain_pedigree gives them.
MarkerFiles generate_markers(const std::vector<PedigreeRecord>& records, const MarkerOptions& o);

// The share of individuals typed, in percent, by the number of generations below them: 0 for
// those without children, 1 for parents of such, and so on.
int typed_percent(int generations_below);

}  // namespace loopcut::bench
