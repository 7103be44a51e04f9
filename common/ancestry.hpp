#pragma once
#include <algorithm>
#include <vector>

namespace loopcut {

// The smallest row of an ancestry cycle among rows 1 .. n, or 0 when nobody is his own ancestor.
// parent_of(row, k) gives the row of the father (k = 0) or the mother (k = 1), 0 for none; every
// parent must lie in 1 .. n. A depth-first search along the parent links without recursion: a
// parent still on the search path closes a cycle. Runs once per program, before the main work.
template <class ParentOf>
int row_on_ancestry_cycle(int n, ParentOf parent_of) {
  enum : char { unseen, on_path, done };
  std::vector<char> state(static_cast<std::size_t>(n) + 1, unseen);
  std::vector<int> path, next_parent;  // the search path and, per entry, the parent to try next
  for (int root = 1; root <= n; ++root) {
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
      const int parent = parent_of(row, k);
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

}  // namespace loopcut
