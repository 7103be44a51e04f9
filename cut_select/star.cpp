#include <algorithm>

#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

namespace {

// A founder with exactly one mate joins nothing but its offspring's sibship: never a centre.
void mark_availability(WorkArea& w, int i0) {
  for (int j = 1; j <= w.nend - i0; ++j) {
    w.luk_star[j] = (w.spou(j, 1) == 1 && w.fa[i0 + j] == 0) ? 1 : 0;
  }
}

// Lists the stars by size, and within a size by weight, heaviest first, the later row first on
// equal weights (0.0 and -0.0 are equal); a record whose weight is below 0.0 is never a centre.
// This is the order in which repeated scans for the heaviest remaining record, the later row
// winning ties, would pick them.
void list_stars(WorkArea& w, int i0) {
  for (int k = 1; k <= w.max_spou + 2; ++k) w.st[k] = 0;
  int n = 0;
  for (int i = i0 + 1; i <= w.nend; ++i) {
    const int j = i - i0;
    if (w.luk_star[j] != 0 || w.spou(j, 1) < 1 || w.weight[w.id[i]] < 0.0f) continue;
    w.star_rows[++n] = i;
  }
  std::sort(w.star_rows.begin() + 1, w.star_rows.begin() + 1 + n, [&w, i0](int a, int b) {
    const int sa = w.spou(a - i0, 1);
    const int sb = w.spou(b - i0, 1);
    if (sa != sb) return sa < sb;
    const float wa = w.weight[w.id[a]];
    const float wb = w.weight[w.id[b]];
    if (wa != wb) return wa > wb;
    return a > b;
  });
  w.nstar = n;
  for (int t = 1; t <= std::min(n, N_STAR); ++t) w.st[M_STAR + t] = w.star_rows[t];
  for (int t = 1; t <= n; ++t) ++w.st[2 + w.spou(w.star_rows[t] - i0, 1)];
  for (int s = 1; s <= w.max_spou; ++s) w.st[2 + s] += w.st[1 + s];
  w.st[1] = w.max_spou;
}

// The first surviving row whose parents are the centre (row c) and the mate, found in the
// centre's list of children; 0 when none.
int first_child_with(const WorkArea& w, int i0, int c, int mate) {
  const bool male = w.sex[c] == 1;
  const int p = w.id[c] - i0;
  for (int r = male ? w.first_child_as_father[p] : w.first_child_as_mother[p]; r != 0;
       r = male ? w.next_child_of_father[r - i0] : w.next_child_of_mother[r - i0]) {
    if ((male ? w.mo[r] : w.fa[r]) == mate) return r;
  }
  return 0;
}

// Star t's row: centre node, size, then one marriage node per mate. A mate without a surviving
// child (a mother's missing father whose children are all pruned) gets a leaf node of its own,
// numbered after the sibships, which no other entry shares and which therefore closes no loop.
void build_star_row(WorkArea& w, int i0, int t) {
  const int c = w.st[M_STAR + t];
  const int j = c - i0;
  const int nm = w.spou(j, 1);
  w.con(t, 1) = w.ped[c];
  w.con(t, 2) = nm;
  for (int k = 1; k <= nm; ++k) {
    const int r = first_child_with(w, i0, c, w.spou(j, k + 1));
    if (r != 0) {
      w.con(t, 2 + k) = w.ped[r];
    } else {
      ++w.nleaf;
      w.con(t, 2 + k) = w.nsib + w.nleaf;
    }
  }
}

}  // namespace

// Lists the stars of pruned pedigree ip and the nodes that each joins.
void star(WorkArea& w, int ip) {
  const int i0 = w.fam[ip + 1];
  mark_availability(w, i0);
  list_stars(w, i0);
  if (w.nstar > N_STAR) {
    stop_with_output_line((FreeLine() << "nstar>N_STAR:" << w.nstar << N_STAR).str());
  }
  // The survivors' children by parent; parents keep the identifiers of the uncompacted rows.
  list_children(w, i0, w.nend, w.fam[ip + 2]);
  w.nleaf = 0;
  for (int t = 1; t <= w.nstar; ++t) build_star_row(w, i0, t);
}

}  // namespace loopcut
