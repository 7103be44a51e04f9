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

// Reads a pedigree file of the chain in either layout. Malformed input is an InputError: a
// file whose first line is a record (no header), a record not on one line of its own and,
// where `ids_are_rows`, an identifier that is not its row.
ChainFile read_chain_file(const std::string& file, bool ids_are_rows = true);

// The header line and record line of the input layout.
std::string chain_header();
std::string chain_line(int ped, int id, int fa, int mo, int sex, const Label& kod);

}  // namespace loopcut::prep
