#include <utility>

#include "ped_cut/ped_cut.hpp"

namespace loopcut {

// A cut that leaves a copy in another group than its breaker opens no loop, so it is undone:
// the copy's group joins the breaker's, the copy's children name the breaker again and the copy
// is dropped (PED 0). The entries are taken from the heaviest down, so when several cuts split a
// group only the heaviest is undone and the lighter ones, whose copies are then back in their
// breakers' group, stay. Read rows are never merged with one another.
void rejoin(CutTables& t) {
  auto& mas = t.mas;

  // Order by weight, largest first; equal weights keep report order.
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (int p = 1; p <= t.ncut - 1; ++p) {
      if (t.weight[p] < t.weight[p + 1]) {
        std::swap(t.n_cut[p], t.n_cut[p + 1]);
        std::swap(t.cut[p], t.cut[p + 1]);
        std::swap(t.weight[p], t.weight[p + 1]);
        std::swap(t.brk[p], t.brk[p + 1]);
        exchanged = true;
      }
    }
  }

  for (int k = 1; k <= t.ncut; ++k) {
    const int i = t.brk[k];
    const int p = parent_column(mas(i, SEX));
    // A join only merges groups, so a copy found in its breaker's group stays there: one pass over
    // the copies in row order suffices.
    for (int m = 1; m <= t.ndat; ++m) {
      if (t.from[m] != i || mas(m, PED) == 0 || mas(m, PED) == mas(i, PED)) continue;
      const int l1 = mas(i, PED);
      const int l2 = mas(m, PED);
      for (int r = 1; r <= t.ndat; ++r) {
        if (mas(r, PED) != l2) continue;
        mas(r, PED) = l1;
        if (mas(r, p) == mas(m, ID)) mas(r, p) = mas(i, ID);
      }
      mas(m, PED) = 0;
    }
  }
}

}  // namespace loopcut
