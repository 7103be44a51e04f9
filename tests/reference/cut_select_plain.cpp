// The optimiser's routines written as plain scans over the whole pedigree, kept as the reference
// that the program's indexed versions must match byte for byte.
#include "reference/cut_select_plain.hpp"

#include <algorithm>

#include "common/errors.hpp"
#include "common/table.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut::reference {

// ---- structure
namespace {

// A mates list holds the count in column 1 and at most this many identifiers after it.
constexpr int LIST_ROOM = M_STAR - 1;

// Is row r a child of the individual in row i? A male is read in the father column, a female
// in the mother column.
bool is_child_of(const WorkArea& w, int r, int i) {
  return w.sex[i] == 1 ? w.fa[r] == w.id[i] : w.mo[r] == w.id[i];
}

// The other parent of i's child r, as the child's record gives it (0 when missing).
int other_parent(const WorkArea& w, int r, int i) { return w.sex[i] == 1 ? w.mo[r] : w.fa[r]; }

bool is_listed(const WorkArea& w, int j, int count, int mate) {
  for (int c = 2; c <= count + 1; ++c) {
    if (w.spou(j, c) == mate) return true;
  }
  return false;
}

// Lists the distinct mates of the individual in row i (position j) in the order of their first
// child. A full list takes no more entries: its count already stops the run.
int list_mates(WorkArea& w, int i, int j, int first, int last) {
  int count = 0;
  for (int r = first; r <= last; ++r) {
    if (!is_child_of(w, r, i)) continue;
    const int mate = other_parent(w, r, i);
    if (count > 0 && is_listed(w, j, count, mate)) continue;
    if (count == LIST_ROOM) continue;
    ++count;
    w.spou(j, count + 1) = mate;
  }
  w.spou(j, 1) = count;
  return count;
}

// Full sibs share a number; a founder gets one of its own only with two or more mates.
// Numbers rise in the order of each sibship's first row.
void number_sibships(WorkArea& w, int b, int first, int last) {
  for (int i = first; i <= last; ++i) w.ped[i] = 0;
  int s = 0;
  for (int i = first; i <= last; ++i) {
    if (w.ped[i] != 0) continue;
    if (w.fa[i] == 0 && w.spou(i - b, 1) <= 1) continue;
    ++s;
    w.ped[i] = s;
    if (w.fa[i] == 0) continue;
    for (int r = i + 1; r <= last; ++r) {
      if (w.ped[r] == 0 && w.fa[r] == w.fa[i] && w.mo[r] == w.mo[i]) w.ped[r] = s;
    }
  }
  w.nsib = s;
}

}  // namespace

// Builds the mates lists of pedigree ip and replaces its pedigree numbers by sibship numbers.
void structure(WorkArea& w, int ip) {
  const int b = w.fam[ip + 1];
  const int first = b + 1;
  const int last = w.fam[ip + 2];
  // The mates table's rows are as wide as the program lays them out: one column per child, at
  // most the list's room, behind the count.
  size_pedigree_tables(w, last - b);
  w.spou.lay_out(last - b, [&](int j) {
    int children = 0;
    for (int r = first; r <= last; ++r) children += is_child_of(w, r, b + j) ? 1 : 0;
    return 1 + std::min(children, LIST_ROOM);
  });
  int max_spou = 0;
  for (int i = first; i <= last; ++i) {
    const int count = list_mates(w, i, i - b, first, last);
    if (count > max_spou) max_spou = count;
  }
  if (max_spou + 2 > M_STAR) {
    stop_at_ceiling_line((FreeLine() << "max_spou+2>M_STAR:" << max_spou << M_STAR).str(),
                         Ceiling::m_star);
  }
  number_sibships(w, b, first, last);
}

// ---- sow_tree
namespace {

// The rows of the pedigree being pruned; a parent with identifier P stands in row P and its
// mates list at position P - i0.
struct Rows {
  int i0;
  int first;
  int last;
};

int mates(const WorkArea& w, const Rows& p, int row) { return w.spou(row - p.i0, 1); }

// What one scan of the rows tells about sibship k.
struct Sibship {
  int members = 0;
  int with_offspring = 0;
  int s = 0;  // last member with offspring
  int F = 0;  // parents of the last member
  int M = 0;
};

Sibship scan_sibship(const WorkArea& w, const Rows& p, int k) {
  Sibship sib;
  for (int i = p.first; i <= p.last; ++i) {
    if (w.ped[i] != k) continue;
    ++sib.members;
    if (mates(w, p, i) > 0) {
      ++sib.with_offspring;
      sib.s = i;
    }
    sib.F = w.fa[i];
    sib.M = w.mo[i];
  }
  return sib;
}

// Clears every member of sibship k.
void clear_members(WorkArea& w, const Rows& p, int k) {
  for (int i = p.first; i <= p.last; ++i) {
    if (w.ped[i] == k) w.ped[i] = 0;
  }
}

// Takes Q out of O's mates list: the last entry fills its place.
void drop_mate(WorkArea& w, const Rows& p, int O, int Q) {
  const int jo = O - p.i0;
  const int n = w.spou(jo, 1);
  for (int c = 2; c <= n + 1; ++c) {
    if (w.spou(jo, c) == Q) {
      w.spou(jo, c) = w.spou(jo, n + 1);
      w.spou(jo, 1) = n - 1;
      return;
    }
  }
}

// Does a parent of a childless sibship go with it? Only a founder whose only mate is the other
// parent; a missing parent never does.
bool single_mate_founder(const WorkArea& w, const Rows& p, int P) {
  return P != 0 && w.fa[P] == 0 && mates(w, p, P) == 1;
}

// Can the pair above an only child be cut off? A missing parent can, as can a founder with at
// most one mate.
bool cut_off_parent(const WorkArea& w, const Rows& p, int P) {
  return P == 0 || (w.fa[P] == 0 && mates(w, p, P) <= 1);
}

// A childless sibship. Returns whether anything changed.
bool childless(WorkArea& w, const Rows& p, int k, const Sibship& sib) {
  const bool f_goes = single_mate_founder(w, p, sib.F);
  const bool m_goes = single_mate_founder(w, p, sib.M);
  if (!f_goes && !m_goes) {
    // Keep the first member in row order; the others carry no loop.
    bool changed = false;
    bool seen_first = false;
    for (int i = p.first; i <= p.last; ++i) {
      if (w.ped[i] != k) continue;
      if (seen_first) {
        w.ped[i] = 0;
        changed = true;
      }
      seen_first = true;
    }
    return changed;
  }
  if (f_goes && m_goes) {
    w.ped[sib.F] = 0;
    w.ped[sib.M] = 0;
  } else {
    const int Q = f_goes ? sib.F : sib.M;
    const int O = f_goes ? sib.M : sib.F;
    w.ped[Q] = 0;
    if (O != 0) drop_mate(w, p, O, Q);
  }
  clear_members(w, p, k);
  w.luk_sow[k] = 1;
  return true;
}

// Some members have offspring: the childless ones go, each clearing a change.
bool drop_childless_members(WorkArea& w, const Rows& p, int k) {
  bool changed = false;
  for (int i = p.first; i <= p.last; ++i) {
    if (w.ped[i] == k && mates(w, p, i) == 0) {
      w.ped[i] = 0;
      changed = true;
    }
  }
  return changed;
}

// An only child with offspring: cuts off the pair above it when neither parent joins anything
// else. The child stays a node only as a founder with several mates.
bool only_child(WorkArea& w, const Rows& p, int k, const Sibship& sib) {
  if (!cut_off_parent(w, p, sib.F) || !cut_off_parent(w, p, sib.M)) return false;
  w.fa[sib.s] = 0;
  w.mo[sib.s] = 0;
  if (sib.F != 0) w.ped[sib.F] = 0;
  if (sib.M != 0) w.ped[sib.M] = 0;
  if (mates(w, p, sib.s) <= 1) w.ped[sib.s] = 0;
  w.luk_sow[k] = 1;
  return true;
}

// Examines open sibship k; its changes take effect at once. Returns whether anything changed.
bool examine(WorkArea& w, const Rows& p, int k) {
  const Sibship sib = scan_sibship(w, p, k);
  if (sib.members == 0) return false;
  if (sib.with_offspring == 0) return childless(w, p, k, sib);
  if (sib.with_offspring < sib.members) return drop_childless_members(w, p, k);
  if (sib.members == 1) return only_child(w, p, k, sib);
  return false;
}

void prune(WorkArea& w, const Rows& p) {
  for (int k = 1; k <= w.nsib; ++k) w.luk_sow[k] = 0;
  bool changed = true;
  while (changed) {
    changed = false;
    for (int k = 1; k <= w.nsib; ++k) {
      if (w.luk_sow[k] == 1) continue;
      if (examine(w, p, k)) changed = true;
    }
  }
}

}  // namespace

// Prunes what cannot lie on a loop of pedigree ip, moves the survivors to the front of its rows
// and numbers their sibships without gaps.
void sow_tree(WorkArea& w, int ip) {
  const Rows p{w.fam[ip + 1], w.fam[ip + 1] + 1, w.fam[ip + 2]};
  w.max_spou = 0;
  prune(w, p);
  // Compaction and renumbering were never replaced: the program's own versions serve both.
  loopcut::compact_survivors(w, p.i0, p.last);
  loopcut::renumber_sibships(w, p.first);
}

// ---- star
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
  ensure_size(w.st, static_cast<std::size_t>(w.max_spou) + 3);
  for (int k = 1; k <= w.max_spou + 2; ++k) w.st[k] = 0;
  w.nstar = 0;
  for (int s = 1; s <= w.max_spou; ++s) {
    for (;;) {
      const int row = heaviest_with_mates(w, i0, s);
      if (row == 0) break;
      ++w.nstar;
      ensure_size(w.star_centre, static_cast<std::size_t>(w.nstar) + 1);
      w.star_centre[w.nstar] = row;
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
  const int c = w.star_centre[t];
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
    stop_at_ceiling_line((FreeLine() << "nstar>N_STAR:" << w.nstar << N_STAR).str(),
                         Ceiling::n_star);
  }
  w.con.lay_out(w.nstar, [&](int t) { return 2 + w.spou(w.star_centre[t] - i0, 1); });
  w.nleaf = 0;
  for (int t = 1; t <= w.nstar; ++t) build_star_row(w, i0, t);
}

// ---- optimal
namespace {

int size_of(const WorkArea& w, int s) { return w.con(s, 2); }

int centre_row(const WorkArea& w, int s) { return w.star_centre[s]; }

float cost_of(const WorkArea& w, int s) { return w.weight[w.id[centre_row(w, s)]]; }

// step_star(t) names the star added last to the best selection of total size t; 0 marks a step
// that no selection reached. Step 0, the empty selection, is always reached.
bool reached(const WorkArea& w, int t) { return t == 0 || w.step_star(t) != 0; }

// Rebuilds into sel(1 .. n) the best selection of total size t - d by following step_star down
// to step 0, and returns n. Walks start only from reached steps, which always end at 0.
int walk_chain(WorkArea& w, int t, int d) {
  int n = 0;
  for (;;) {
    const int iistep = t - d;
    if (iistep == 0) return n;
    if (iistep < 0) stop_with_output_line((FreeLine() << "ERROR: iistep<0").str());
    const int x = w.step_star(iistep);
    ++n;
    w.sel(n) = x;
    d += size_of(w, x);
  }
}

bool in_selection(const WorkArea& w, int n, int s) {
  for (int k = 1; k <= n; ++k) {
    if (w.sel(k) == s) return true;
  }
  return false;
}

// The first star of size j, in number order, that is not in sel(1 .. n) and closes no loop
// beside it; 0 when none.
int first_fitting_star(WorkArea& w, int t, int j, int n) {
  for (int s = w.st[j + 1] + 1; s <= w.st[j + 2]; ++s) {
    if (in_selection(w, n, s)) continue;
    w.sel(n + 1) = s;
    w.nsel = n + 1;
    int nlink = 0;
    int ngroup = 0;
    connect(w, nlink, ngroup);
    if (nlink >= t) return s;
  }
  return 0;
}

// The new star's cost first, then the selection's in list order, summed in double.
double total_cost(const WorkArea& w, int s, int n) {
  double total = cost_of(w, s);
  for (int k = 1; k <= n; ++k) total += cost_of(w, w.sel(k));
  return total;
}

// Searches step t: each size j extends the best selection of total size t - j by its first
// fitting star; the largest total wins, a later size on an equal total. Returns the winning
// star (0 when no size offers one) and its total.
int search_step(WorkArea& w, int t, float& best) {
  best = 0.0f;
  int best_star = 0;
  const int top = t < w.max_spou ? t : w.max_spou;
  for (int j = 1; j <= top; ++j) {
    if (!reached(w, t - j)) continue;
    const int n = walk_chain(w, t, j);
    const int s = first_fitting_star(w, t, j, n);
    if (s == 0) continue;
    const double total = total_cost(w, s, n);
    if (!(best > total)) {
      best = static_cast<float>(total);
      best_star = s;
    }
  }
  return best_star;
}

// Fills step_star for t = 1, 2, ... and returns the last step reached (0 when none).
//
// Step 1 is star 1 alone when star 1 has one mate. The search then ends at the first step that
// finds nothing: every base below it is reached. Without a star of one mate, step 1 and perhaps
// later steps stay unreached; the search goes on past them and ends once max_spou consecutive
// steps are unreached, since from then on every base would be unreached.
int search_steps(WorkArea& w) {
  const bool from_star_one = size_of(w, 1) == 1;
  w.step_star(1) = from_star_one ? 1 : 0;
  int last_reached = from_star_one ? 1 : 0;
  int unreached_run = from_star_one ? 0 : 1;
  // A selection of total size t that closes no loop touches t + 1 distinct nodes, and a
  // pedigree has fewer than N_SIZE nodes, so no step beyond the step table can be reached.
  for (int t = 2; t <= N_SIZE; ++t) {
    if (!from_star_one && unreached_run >= w.max_spou) break;
    float best = 0.0f;
    const int best_star = search_step(w, t, best);
    w.step_star(t) = best_star;
    if (best_star == 0) {
      if (from_star_one) break;
      ++unreached_run;
      continue;
    }
    print(FreeLine() << "STEP=" << t << " STAR=" << best_star << " COST=" << best);
    last_reached = t;
    unreached_run = 0;
  }
  return last_reached;
}

}  // namespace

// Keeps the heaviest loop-free selection of stars that the step search reaches and reports the
// others to res.dat.
void optimal(WorkArea& w, int ip, OutputFile& res) {
  (void)ip;
  if (w.nstar == 0) return;
  size_search(w);
  const int last = search_steps(w);
  const int n = last == 0 ? 0 : walk_chain(w, last, 0);
  w.nsel = n;
  loopcut::report_cut_stars(w, n, res);
}

// ---- connect
namespace {

// connect's own tables, kept for the whole test run and grown to the largest call: one row per
// listed star (label, member count, centre node, marriage nodes: room for a star of M_STAR - 2
// mates); the label of each node; per label, 1 = marks a group.
struct ConnectTables {
  Table<int> icon{0, M_STAR + 1};
  std::vector<int> ncon;
  std::vector<int> luk;
};

ConnectTables& tables() {
  static ConnectTables t;
  return t;
}

// Copies the listed stars into icon: label 0, member count, centre node, marriage nodes.
void load_listed_stars(const WorkArea& w, ConnectTables& t) {
  for (int i = 1; i <= w.nsel; ++i) {
    for (int c = 1; c <= t.icon.cols(); ++c) t.icon(i, c) = 0;
  }
  for (int i = 1; i <= w.nsel; ++i) {
    const int s = w.sel(i);
    const int j = w.con(s, 2);
    t.icon(i, 2) = j + 1;
    t.icon(i, 3) = w.con(s, 1);
    for (int k = 1; k <= j; ++k) t.icon(i, 3 + k) = w.con(s, 2 + k);
  }
}

// Every star and node labelled old now carries label L.
void relabel(const WorkArea& w, ConnectTables& t, int nnode, int old, int L) {
  for (int i = 1; i <= w.nsel; ++i) {
    if (t.icon(i, 1) == old) t.icon(i, 1) = L;
  }
  for (int m = 1; m <= nnode; ++m) {
    if (t.ncon[m] == old) t.ncon[m] = L;
  }
}

// Gives each star a new label and spreads it over its nodes; a node that already carries
// another label merges that label's group into the star's.
void propagate_labels(const WorkArea& w, ConnectTables& t, int nnode) {
  int L = 0;
  for (int i = 1; i <= w.nsel; ++i) {
    if (t.icon(i, 1) == 0) ++L;
    t.icon(i, 1) = L;
    const int members = t.icon(i, 2);
    for (int c = 3; c <= 2 + members; ++c) {
      const int m = t.icon(i, c);
      const int old = t.ncon[m];
      t.ncon[m] = L;
      if (old != 0 && old != L) relabel(w, t, nnode, old, L);
    }
  }
}

int count_groups(const WorkArea& w, ConnectTables& t) {
  for (int l = 1; l <= w.nsel; ++l) t.luk[l] = 0;
  for (int i = 1; i <= w.nsel; ++i) t.luk[t.icon(i, 1)] = 1;
  int ngroup = 0;
  for (int l = 1; l <= w.nsel; ++l) {
    if (t.luk[l] == 1) ++ngroup;
  }
  return ngroup;
}

int count_touched(const ConnectTables& t, int nnode) {
  int touched = 0;
  for (int m = 1; m <= nnode; ++m) {
    if (t.ncon[m] != 0) ++touched;
  }
  return touched;
}

}  // namespace

void connect(WorkArea& w, int& nlink, int& ngroup) {
  ConnectTables& t = tables();
  const int nnode = w.nsib + w.nleaf;
  t.icon.ensure_rows(w.nsel);
  ensure_size(t.ncon, static_cast<std::size_t>(nnode) + 1);
  ensure_size(t.luk, static_cast<std::size_t>(w.nsel) + 1);
  load_listed_stars(w, t);
  for (int m = 1; m <= nnode; ++m) t.ncon[m] = 0;
  propagate_labels(w, t, nnode);
  ngroup = count_groups(w, t);
  nlink = count_touched(t, nnode) - ngroup;
}

}  // namespace loopcut::reference
