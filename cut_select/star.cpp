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
  ensure_size(w.st, static_cast<std::size_t>(w.max_spou) + 3);
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
  ensure_size(w.star_centre, static_cast<std::size_t>(n) + 1);
  for (int t = 1; t <= n; ++t) w.star_centre[t] = w.star_rows[t];
  for (int t = 1; t <= n; ++t) ++w.st[2 + w.spou(w.star_rows[t] - i0, 1)];
  for (int s = 1; s <= w.max_spou; ++s) w.st[2 + s] += w.st[1 + s];
  w.st[1] = w.max_spou;
}

// The centre's surviving children (row c), in its list of children. Calls f(child row).
template <class F>
void for_children(const WorkArea& w, int i0, int c, F&& f) {
  const bool male = w.sex[c] == 1;
  const int p = w.id[c] - i0;
  for (int r = male ? w.first_child_as_father[p] : w.first_child_as_mother[p]; r != 0;
       r = male ? w.next_child_of_father[r - i0] : w.next_child_of_mother[r - i0]) {
    f(r);
  }
}

// Notes, in one walk of the centre's children, the first surviving child by each mate: the
// mate's slot gets stamp t and the child's row.
void note_first_children(WorkArea& w, int i0, int last_id, int c, int t) {
  const bool male = w.sex[c] == 1;
  for_children(w, i0, c, [&](int r) {
    const int slot = mate_slot(male ? w.mo[r] : w.fa[r], i0, last_id);
    if (slot < 0 || w.slot_stamp[slot] == t) return;
    w.slot_stamp[slot] = t;
    w.slot_row[slot] = r;
  });
}

// The first surviving row whose parents are the centre (row c) and the mate; 0 when none.
int first_child_with(const WorkArea& w, int i0, int last_id, int c, int t, int mate) {
  const int slot = mate_slot(mate, i0, last_id);
  if (slot >= 0) return w.slot_stamp[slot] == t ? w.slot_row[slot] : 0;
  const bool male = w.sex[c] == 1;
  int first = 0;
  for_children(w, i0, c, [&](int r) {
    if (first == 0 && (male ? w.mo[r] : w.fa[r]) == mate) first = r;
  });
  return first;
}

// Star t's row: centre node, size, then one marriage node per mate. A mate without a surviving
// child (a mother's missing father whose children are all pruned) gets a leaf node of its own,
// numbered after the sibships, which no other entry shares and which therefore closes no loop.
void build_star_row(WorkArea& w, int i0, int last_id, int t) {
  const int c = w.star_centre[t];
  const int j = c - i0;
  const int nm = w.spou(j, 1);
  w.con(t, 1) = w.ped[c];
  w.con(t, 2) = nm;
  note_first_children(w, i0, last_id, c, t);
  for (int k = 1; k <= nm; ++k) {
    const int r = first_child_with(w, i0, last_id, c, t, w.spou(j, k + 1));
    if (r != 0) {
      w.con(t, 2 + k) = w.ped[r];
    } else {
      ++w.nleaf;
      w.con(t, 2 + k) = w.nsib + w.nleaf;
    }
  }
}

// Each star row is as wide as its star: centre, size and one column per mate.
void lay_out_star_rows(WorkArea& w, int i0) {
  w.con.lay_out(w.nstar, [&](int t) { return 2 + w.spou(w.star_centre[t] - i0, 1); });
}

}  // namespace

// Lists the stars of pruned pedigree ip and the nodes that each joins.
void star(WorkArea& w, int ip) {
  const int i0 = w.fam[ip + 1];
  mark_availability(w, i0);
  list_stars(w, i0);
  if (w.nstar > n_star()) {
    stop_at_ceiling_line((FreeLine() << "nstar>N_STAR:" << w.nstar << n_star()).str(),
                         Ceiling::n_star);
  }
  // The survivors' children by parent; parents keep the identifiers of the uncompacted rows.
  const int last_id = w.fam[ip + 2];
  list_children(w, i0, w.nend, last_id);
  lay_out_star_rows(w, i0);
  for (int j = 0; j <= last_id - i0; ++j) w.slot_stamp[j] = 0;
  w.nleaf = 0;
  for (int t = 1; t <= w.nstar; ++t) build_star_row(w, i0, last_id, t);
}

}  // namespace loopcut
