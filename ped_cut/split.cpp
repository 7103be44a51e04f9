#include "ped_cut/ped_cut.hpp"

namespace loopcut {

// Gives every row the number of its connected group: each row is joined to each of its parents
// that is not 0, father first. A row not yet reached opens a new group; when two groups meet, the
// group of the row being processed keeps its number and the other number is no longer used.
int split(CutTables& t) {
  auto& mas = t.mas;
  for (int r = 1; r <= t.ndat; ++r) mas(r, PED) = 0;
  int nped = 0;
  for (int r = 1; r <= t.ndat; ++r) {
    if (mas(r, PED) == 0) mas(r, PED) = ++nped;
    for (int column : {FA, MO}) {
      const int parent = mas(r, column);
      if (parent == 0) continue;
      const int old = mas(parent, PED);
      mas(parent, PED) = mas(r, PED);
      if (old != 0) {
        for (int q = 1; q <= t.ndat; ++q) {
          if (mas(q, PED) == old) mas(q, PED) = mas(r, PED);
        }
      }
    }
  }
  return nped;
}

}  // namespace loopcut
