#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

// The report names each breaker by identifier and label. Labels need not be unique (numbering
// within each family is common), so the identifier's row counts when it carries the label; the
// first read row with the label otherwise.
int find_breaker(const CutTables& t, int k) {
  const int named = t.n_cut[k];
  if (named >= 1 && named <= t.nread && t.kod[named] == t.cut[k]) return named;
  for (int i = 1; i <= t.nread; ++i) {
    if (t.kod[i] == t.cut[k]) return i;
  }
  return 0;
}

// For each entry in report order, the breaker i keeps its own record and its parents; each mate's
// children go, in the order of that mate's first child, to one new founder copy of i appended
// after the read rows. A founder breaker keeps the children it has with the other parent of its
// first child (0 included) and copies only for its further mates. Only read rows are searched
// for children, and copies have no parents, so a copy is never cut again.
void cut_breakers(CutTables& t) {
  auto& mas = t.mas;
  const int ndat0 = t.nread;
  int c = 0;
  for (int k = 1; k <= t.ncut; ++k) {
    const int i = find_breaker(t, k);
    if (i == 0) stop_with_output_line((FreeLine() << "ERROR: there is not breaker" << t.n_cut[k]).str());
    t.brk[k] = i;

    const int p = parent_column(mas(i, SEX));
    const int o = other_parent_column(mas(i, SEX));
    const bool founder = mas(i, FA) == 0;
    bool have_first = false;
    int first = 0;  // the first mate of a founder breaker
    for (int j = 1; j <= ndat0; ++j) {
      if (mas(j, p) != mas(i, ID)) continue;
      if (founder && !have_first) {
        first = mas(j, o);
        have_first = true;
        continue;
      }
      if (founder && mas(j, o) == first) continue;

      ++c;
      const int n = ndat0 + c;
      if (n > N_SIZE) stop_with_message(N_SIZE_STOP);
      const int mate = mas(j, o);
      mas(j, p) = n;
      mas(n, PED) = 0;
      mas(n, ID) = n;
      mas(n, FA) = 0;
      mas(n, MO) = 0;
      mas(n, SEX) = mas(i, SEX);
      mas(n, PROB) = 1;
      t.kod[n] = t.kod[i];
      t.from[n] = i;
      for (int m = j + 1; m <= ndat0; ++m) {
        if (mas(m, p) == mas(i, ID) && mas(m, o) == mate) mas(m, p) = n;
      }
    }
  }
  t.ndat = ndat0 + c;
}

}  // namespace loopcut
