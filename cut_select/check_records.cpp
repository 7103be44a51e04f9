#include <string>

#include "common/ancestry.hpp"
#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

namespace {

[[noreturn]] void refuse(int row, const std::string& fault) {
  stop_with_output_line((FreeLine() << "ERROR: row " + std::to_string(row) + fault).str());
}

// A parent must be 0 or a row of the child's own pedigree, of the sex of its role.
void check_parent(const WorkArea& w, int row, int parent, int first, int last, const char* role,
                  int role_sex) {
  if (parent == 0) return;
  if (parent < first || parent > last) {
    refuse(row, std::string(": ") + role + " " + std::to_string(parent) +
                    " is not a record of the same pedigree");
  }
  if (w.sex[parent] != role_sex) {
    refuse(row, std::string(": ") + role + " " + std::to_string(parent) + " has sex " +
                    std::to_string(w.sex[parent]) + ", not " + std::to_string(role_sex));
  }
}

}  // namespace

// The later steps use identifiers as rows and parents as rows of the same pedigree; a file that
// breaks these rules is refused here rather than read as garbage.
void check_records(const WorkArea& w) {
  for (int ip = 1; ip <= w.nfam(); ++ip) {
    const int first = w.fam[ip + 1] + 1;
    const int last = w.fam[ip + 2];
    for (int i = first; i <= last; ++i) {
      if (w.id[i] != i) {
        refuse(i, ": identifier " + std::to_string(w.id[i]) + " is not the row number " +
                      std::to_string(i));
      }
      check_parent(w, i, w.fa[i], first, last, "father", 1);
      check_parent(w, i, w.mo[i], first, last, "mother", 2);
    }
  }
  // Parents are rows of the same pedigree by now, so the search stays inside the tables.
  const auto parent_of = [&w](int row, int k) { return k == 0 ? w.fa[row] : w.mo[row]; };
  if (const int row = row_on_ancestry_cycle(w.ndat, parent_of); row != 0)
    refuse(row, ": individual " + std::to_string(row) + " is its own ancestor");
}

}  // namespace loopcut
