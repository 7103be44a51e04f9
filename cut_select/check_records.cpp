#include <algorithm>
#include <string>
#include <vector>

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

// The smallest row of an ancestry cycle, or 0 when nobody is his own ancestor. Depth-first
// search along the parent links; a parent still on the search path closes a cycle.
int row_on_ancestry_cycle(const WorkArea& w) {
  enum : char { unseen, on_path, done };
  std::vector<char> state(static_cast<std::size_t>(w.ndat) + 1, unseen);
  std::vector<int> path, next_parent;  // the search path and, per entry, the parent to try next
  for (int root = 1; root <= w.ndat; ++root) {
    if (state[root] != unseen) continue;
    path.assign(1, root);
    next_parent.assign(1, 0);
    state[root] = on_path;
    while (!path.empty()) {
      const int row = path.back();
      const int k = next_parent.back()++;
      if (k == 2) {
        state[row] = done;
        path.pop_back();
        next_parent.pop_back();
        continue;
      }
      const int parent = k == 0 ? w.fa[row] : w.mo[row];
      if (parent == 0 || state[parent] == done) continue;
      if (state[parent] == on_path) {
        int smallest = parent;
        for (auto it = path.rbegin(); *it != parent; ++it) smallest = std::min(smallest, *it);
        return smallest;
      }
      state[parent] = on_path;
      path.push_back(parent);
      next_parent.push_back(0);
    }
  }
  return 0;
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
  if (const int row = row_on_ancestry_cycle(w); row != 0)
    refuse(row, ": individual " + std::to_string(row) + " is its own ancestor");
}

}  // namespace loopcut
