#include "ped_cut/ped_cut.hpp"

namespace loopcut {

// Gives every row the number of its connected group: each row is joined to each of its parents
// that is not 0, father first. A row not yet reached opens a new group; when two groups meet, the
// group of the row being processed keeps its number and the other number is no longer used.
// The groups are sets of a union–find that carry their number.
int split(CutTables& t) {
  auto& mas = t.mas;
  t.size_work();
  auto& sets = t.work.sets;
  auto& reached = t.work.row_flag;
  for (int r = 1; r <= t.ndat; ++r) reached[static_cast<std::size_t>(r)] = 0;
  int nped = 0;
  for (int r = 1; r <= t.ndat; ++r) {
    if (!reached[static_cast<std::size_t>(r)]) {
      sets.make(r, ++nped);
      reached[static_cast<std::size_t>(r)] = 1;
    }
    for (int column : {FA, MO}) {
      const int parent = mas(r, column);
      if (parent == 0) continue;
      const int root = sets.find(r);
      if (!reached[static_cast<std::size_t>(parent)]) {
        sets.attach(parent, root);
        reached[static_cast<std::size_t>(parent)] = 1;
        continue;
      }
      const int other = sets.find(parent);
      if (other != root) sets.join(root, other, sets.label_of_root(root));
    }
  }
  for (int r = 1; r <= t.ndat; ++r) mas(r, PED) = sets.label_of_root(sets.find(r));
  return nped;
}

}  // namespace loopcut
