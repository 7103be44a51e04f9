#pragma once
#include <functional>
#include <istream>
#include <string>
#include <vector>

#include "common/label.hpp"

namespace loopcut {

// One record of a pedigree file.
struct PedRecord {
  int ped = 0;
  int id = 0;
  int fa = 0;
  int mo = 0;
  int sex = 0;
  Label kod{};
};

// Reads a pedigree file: a header line (its first item, up to 80 characters, and the rest of
// its line are discarded), then six-item records until the end of the file. store(i, record)
// receives record i for i = 1 .. capacity; later records are counted but not stored. Returns the
// number of complete records; a record cut short by the end of the file is dropped.
// An empty file (no header) is an input error.
int read_pedigree_records(std::istream& in, const std::string& file_name, int capacity,
                          const std::function<void(int, const PedRecord&)>& store);

// Reads `count` names from a task file, each the first item of its own line, as 20-character
// fields; trailing blanks are not part of a name.
std::vector<std::string> read_task_names(const std::string& file_name, int count);

}  // namespace loopcut
