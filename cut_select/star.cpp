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

// The heaviest available record with s mates, the later row on equal weights; 0 when none.
// A record whose weight is below 0.0 is never picked.
int heaviest_with_mates(const WorkArea& w, int i0, int s) {
  float best_weight = 0.0f;
  int best_row = 0;
  for (int i = i0 + 1; i <= w.nend; ++i) {
    const int j = i - i0;
    if (w.luk_star[j] != 0 || w.spou(j, 1) != s) continue;
    const float wt = w.weight[w.id[i]];
    if (!(best_weight > wt)) {
      best_weight = wt;
      best_row = i;
    }
  }
  return best_row;
}

// Lists the stars by size, and within a size by weight, heaviest first.
void list_stars(WorkArea& w, int i0) {
  for (int k = 1; k <= w.max_spou + 2; ++k) w.st[k] = 0;
  w.nstar = 0;
  for (int s = 1; s <= w.max_spou; ++s) {
    for (;;) {
      const int row = heaviest_with_mates(w, i0, s);
      if (row == 0) break;
      ++w.nstar;
      if (w.nstar <= N_STAR) w.st[M_STAR + w.nstar] = row;
      w.luk_star[row - i0] = 1;
    }
    w.st[2 + s] = w.nstar;
  }
  w.st[1] = w.max_spou;
}

// The first surviving row whose parents are the centre (row c) and the mate; 0 when none.
int first_child_with(const WorkArea& w, int i0, int c, int mate) {
  for (int r = i0 + 1; r <= w.nend; ++r) {
    const bool match = w.sex[c] == 1 ? (w.fa[r] == w.id[c] && w.mo[r] == mate)
                                     : (w.mo[r] == w.id[c] && w.fa[r] == mate);
    if (match) return r;
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
  w.nleaf = 0;
  for (int t = 1; t <= w.nstar; ++t) build_star_row(w, i0, t);
}

}  // namespace loopcut
