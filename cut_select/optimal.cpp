#include <algorithm>
#include <climits>
#include <cstdint>
#include <cmath>
#include <limits>

#include "common/errors.hpp"
#include "common/fixed_format.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

// The step search extends the best selection of total size b (the base b) by the first star of
// size j, in star order, that closes no loop beside it. A reached base's selection closes no loop
// itself (it passed that test when it was reached, or it is star 1 alone), so its stars touch
// exactly b + (number of its groups) nodes; a star of size j then closes no loop beside it
// exactly when its j + 1 nodes lie in j + 1 different groups of the base, a node that no star of
// the base touches being a group of its own. A star already in the base has all its nodes in
// one group, so it never passes either.
//
// The groups of a base come from a union-find over the nodes that holds, at any time, the
// stars of one path of bases from base 0 (each base is its parent base plus one star), with
// every merge logged so that the path can be shortened again; moving to another base undoes
// the stars down to the common part of the two paths and merges the missing ones. All sizes are
// tried on a base as soon as it is reached. A star that fails on a base also fails on every base
// built on it (their groups only grow), so on a base the scan of size j starts at the parent
// base's first fit.

namespace {

int size_of(const WorkArea& w, int s) { return w.con(s, 2); }

int centre_row(const WorkArea& w, int s) { return w.star_centre[s]; }

float cost_of(const WorkArea& w, int s) { return w.weight[w.id[centre_row(w, s)]]; }

// step_star(t) names the star added last to the best selection of total size t; 0 marks a step
// that no selection reached. Step 0, the empty selection, is always reached.
bool reached(const WorkArea& w, int t) { return t == 0 || w.step_star(t) != 0; }

int parent_base(const WorkArea& w, int b) { return b - size_of(w, w.step_star(b)); }

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

// ---- The union-find of the current path of bases.

int find(const WorkArea& w, int v) {
  while (w.uf_parent[v] != v) v = w.uf_parent[v];
  return v;
}

std::size_t word(int i, int k, int words) {
  return static_cast<std::size_t>(i) * static_cast<std::size_t>(words) + static_cast<std::size_t>(k);
}

void merge(WorkArea& w, int a, int b) {
  int ra = find(w, a);
  int rb = find(w, b);
  if (ra == rb) return;
  if (w.uf_size[ra] < w.uf_size[rb]) std::swap(ra, rb);
  ++w.nmerge;
  w.merge_attached[w.nmerge] = rb;
  w.merge_root[w.nmerge] = ra;
  w.merge_size[w.nmerge] = w.uf_size[ra];
  w.uf_parent[rb] = ra;
  w.uf_size[ra] += w.uf_size[rb];
  const int n = w.mask_words;
  for (int k = 0; k < n; ++k) {
    std::uint64_t& kept = w.root_mask[word(ra, k, n)];
    const std::uint64_t joined = w.root_mask[word(rb, k, n)];
    w.merge_mask[word(w.nmerge, k, n)] = kept;
    w.push_conflicts[static_cast<std::size_t>(k)] |= kept & joined;
    kept |= joined;
  }
}

void undo_merges(WorkArea& w, int down_to) {
  const int n = w.mask_words;
  for (; w.nmerge > down_to; --w.nmerge) {
    const int ra = w.merge_root[w.nmerge];
    w.uf_parent[w.merge_attached[w.nmerge]] = w.merge_attached[w.nmerge];
    w.uf_size[ra] = w.merge_size[w.nmerge];
    for (int k = 0; k < n; ++k) w.root_mask[word(ra, k, n)] = w.merge_mask[word(w.nmerge, k, n)];
  }
}

// Did the merges of the last base pushed join two groups that star s touched? (s watched)
bool conflicted(const WorkArea& w, int s) {
  const int bit = w.watch_bit[static_cast<std::size_t>(s)];
  return (w.push_conflicts[static_cast<std::size_t>(bit / 64)] >> (bit % 64) & 1U) != 0;
}

// Puts base b's star on top of the path.
void push_base(WorkArea& w, int b) {
  ++w.npath;
  w.path_base[w.npath] = b;
  w.path_merges[w.npath] = w.nmerge;
  w.on_path[b] = 1;
  std::fill(w.push_conflicts.begin(), w.push_conflicts.end(), 0);
  const int s = w.step_star(b);
  for (int k = 1; k <= size_of(w, s); ++k) merge(w, w.con(s, 1), w.con(s, 2 + k));
}

void pop_base(WorkArea& w) {
  w.on_path[w.path_base[w.npath]] = 0;
  undo_merges(w, w.path_merges[w.npath]);
  --w.npath;
}

// Makes the union-find hold base b's selection.
void move_to(WorkArea& w, int b) {
  int n = 0;
  int x = b;
  while (w.on_path[x] == 0) {
    w.path_todo[++n] = x;
    x = parent_base(w, x);
  }
  while (w.path_base[w.npath] != x) pop_base(w);
  for (; n >= 1; --n) push_base(w, w.path_todo[n]);
}

// Do star s's nodes lie in as many different groups?
bool fits(WorkArea& w, int s) {
  if (w.stamp_now == INT_MAX) {
    for (int m = 1; m <= w.nsib + w.nleaf; ++m) w.uf_stamp[m] = 0;
    w.stamp_now = 0;
  }
  const int mark = ++w.stamp_now;
  const int j = size_of(w, s);
  for (int c = 1; c <= 2 + j; ++c) {
    if (c == 2) continue;
    const int r = find(w, w.con(s, c));
    if (w.uf_stamp[r] == mark) return false;
    w.uf_stamp[r] = mark;
  }
  return true;
}

// Finds, for every size, the first star that extends base b (whose selection the union-find
// holds) without a loop; the scan starts where the parent base's scan ended (-1: no parent).
void fit_sizes(WorkArea& w, int b, int parent) {
  for (const int j : w.sizes) {
    int s = parent < 0 ? w.st[j + 1] + 1 : w.fit(parent, j);
    w.fit(b, j) = 0;
    if (s == 0) continue;
    // The parent's first fit still fits unless the new star's merges joined two of its groups.
    if (parent >= 0 && w.watch_bit[static_cast<std::size_t>(s)] >= 0 && !conflicted(w, s)) {
      w.fit(b, j) = s;
      continue;
    }
    for (; s <= w.st[j + 2]; ++s) {
      if (fits(w, s)) {
        w.fit(b, j) = s;
        break;
      }
    }
  }
}

// ---- Totals.

// The unit in the last place of a weight, or less (a sum of multiples of it is exact while it
// stays below 2^53 units); infinite for 0.0, which fits any unit.
double unit_of(float c) {
  if (c == 0.0f) return std::numeric_limits<double>::infinity();
  int e = 0;
  (void)std::frexp(static_cast<double>(c), &e);
  return std::ldexp(1.0, e - 24);
}

// Base b's costs summed along its chain, and their smallest unit.
void note_chain_sum(WorkArea& w, int b, int parent) {
  const float c = cost_of(w, w.step_star(b));
  if (parent == 0) {
    w.chain_sum[b] = c;
    w.chain_unit[b] = unit_of(c);
  } else {
    w.chain_sum[b] = static_cast<double>(c) + w.chain_sum[parent];
    w.chain_unit[b] = std::min(unit_of(c), w.chain_unit[parent]);
  }
}

// The total of star s on base b: w(s) first, then the base's stars in chain order, summed in
// double. Costs are never below 0.0, so every partial sum lies between 0 and the total; when
// that stays well below 2^53 of the smallest unit among them, no addition rounds and the order
// does not matter (a zero sum is -0.0 only if every cost is, either way). Otherwise the chain is
// walked and summed in order.
double total_on(WorkArea& w, int s, int b, int t) {
  const double x = cost_of(w, s);
  if (b == 0) return x;
  const double sum = x + w.chain_sum[b];
  const double unit = std::min(unit_of(cost_of(w, s)), w.chain_unit[b]);
  if (sum < std::ldexp(unit, 51)) return sum;
  const int n = walk_chain(w, t, t - b);
  double total = x;
  for (int k = 1; k <= n; ++k) total += cost_of(w, w.sel(k));
  return total;
}

// ---- The search.

// Base b has just been reached: hold its selection and try every size on it.
void reach_base(WorkArea& w, int b) {
  const int parent = parent_base(w, b);
  move_to(w, parent);
  push_base(w, b);
  note_chain_sum(w, b, parent);
  fit_sizes(w, b, parent);
}

// Searches step t: each size j extends the best selection of total size t - j by its first
// fitting star; the largest total wins, a later size on an equal total. Returns the winning
// star (0 when no size offers one) and its total.
int search_step(WorkArea& w, int t, float& best) {
  best = 0.0f;
  int best_star = 0;
  // Sizes without stars offer nothing.
  for (const int j : w.sizes) {
    if (j > t) break;
    const int b = t - j;
    if (!reached(w, b)) continue;
    const int s = w.fit(b, j);
    if (s == 0) continue;
    const double total = total_on(w, s, b, t);
    if (!(best > total)) {
      best = static_cast<float>(total);
      best_star = s;
    }
  }
  return best_star;
}

// The sizes that have stars, and the ring of first fits: a base's row is read by the steps at
// most max_spou after it (the sizes) and by the bases built on it, which lie as close.
void list_sizes(WorkArea& w) {
  w.sizes.clear();
  ensure_size(w.size_column, static_cast<std::size_t>(w.max_spou) + 1);
  for (int j = 1; j <= w.max_spou; ++j) {
    w.size_column[j] = 0;
    if (w.st[j + 2] > w.st[j + 1]) {
      w.sizes.push_back(j);
      w.size_column[j] = static_cast<int>(w.sizes.size());
    }
  }
  w.fit_rows = w.max_spou + 1;
  ensure_size(w.first_fit, static_cast<std::size_t>(w.fit_rows) * w.sizes.size());
}

// Stars of at least this many mates are worth a bit: checking one costs as many finds. At most
// MAX_WATCHED of them, the largest first.
constexpr int WATCHED_SIZE = 16;
constexpr int MAX_WATCHED = 256;

// Picks the watched stars and sets each node's bits.
void watch_large_stars(WorkArea& w) {
  std::vector<int> large;
  for (int s = 1; s <= w.nstar; ++s) {
    if (size_of(w, s) >= WATCHED_SIZE) large.push_back(s);
  }
  std::stable_sort(large.begin(), large.end(),
                   [&w](int a, int b) { return size_of(w, a) > size_of(w, b); });
  if (large.size() > MAX_WATCHED) large.resize(MAX_WATCHED);
  const int n = static_cast<int>((large.size() + 63) / 64);
  const int nnode = w.nsib + w.nleaf;
  w.mask_words = n;
  w.watch_bit.assign(static_cast<std::size_t>(w.nstar) + 1, -1);
  w.push_conflicts.assign(static_cast<std::size_t>(n), 0);
  w.node_mask.assign(word(nnode + 1, 0, n), 0);
  ensure_size(w.root_mask, word(nnode + 1, 0, n));
  ensure_size(w.merge_mask, word(nnode + 1, 0, n));
  for (std::size_t k = 0; k < large.size(); ++k) {
    const int s = large[k];
    const int bit = static_cast<int>(k);
    w.watch_bit[static_cast<std::size_t>(s)] = bit;
    for (int c = 1; c <= 2 + size_of(w, s); ++c) {
      if (c == 2) continue;
      w.node_mask[word(w.con(s, c), bit / 64, n)] |= std::uint64_t{1} << (bit % 64);
    }
  }
}

// The empty selection: every node a group of its own, every star of distinct nodes fits.
void start_search(WorkArea& w) {
  const int nnode = w.nsib + w.nleaf;
  for (int m = 1; m <= nnode; ++m) {
    w.uf_parent[m] = m;
    w.uf_size[m] = 1;
    w.uf_stamp[m] = 0;
  }
  std::copy(w.node_mask.begin(), w.node_mask.end(), w.root_mask.begin());
  w.stamp_now = 0;
  w.nmerge = 0;
  w.npath = 1;
  w.path_base[1] = 0;
  w.path_merges[1] = 0;
  w.on_path[0] = 1;
  fit_sizes(w, 0, -1);
}

void end_search(WorkArea& w) {
  while (w.npath > 1) pop_base(w);
}

// Step 1 is star 1 alone, when star 1 has one mate. Star 1 is then the first of its size that
// fits the empty selection unless its two nodes are one and the same: it then closes a loop by
// itself and nothing fits beside it.
void seed_step_one(WorkArea& w) {
  if (w.fit(0, 1) == 1) {
    reach_base(w, 1);
    return;
  }
  for (const int j : w.sizes) w.fit(1, j) = 0;
}

// Fills step_star for t = 1, 2, ... and returns the last step reached (0 when none).
//
// Step 1 is star 1 alone when star 1 has one mate. The search then ends at the first step that
// finds nothing: every base below it is reached. Without a star of one mate, step 1 and perhaps
// later steps stay unreached; the search goes on past them and ends once max_spou consecutive
// steps are unreached, since from then on every base would be unreached.
int search_steps(WorkArea& w, int last_step) {
  const bool from_star_one = size_of(w, 1) == 1;
  w.step_star(1) = from_star_one ? 1 : 0;
  int last_reached = from_star_one ? 1 : 0;
  int unreached_run = from_star_one ? 0 : 1;
  list_sizes(w);
  watch_large_stars(w);
  start_search(w);
  if (from_star_one) seed_step_one(w);
  // The search always ends by last_step (size_search), and by the record ceiling as it did when
  // the step table had that many rows.
  const int end = std::min(last_step, n_size());
  for (int t = 2; t <= end; ++t) {
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
    reach_base(w, t);
  }
  end_search(w);
  return last_reached;
}

}  // namespace

// Keeps the heaviest loop-free selection of stars that the step search reaches and reports the
// others to res.dat.
void optimal(WorkArea& w, int ip, OutputFile& res) {
  (void)ip;
  if (w.nstar == 0) return;
  const int last = search_steps(w, size_search(w));
  const int n = last == 0 ? 0 : walk_chain(w, last, 0);
  w.nsel = n;
  report_cut_stars(w, n, res);
}

// Writes the report line of every star not in the kept selection sel(1 .. n), in star order.
void report_cut_stars(WorkArea& w, int n, OutputFile& res) {
  for (int s = 1; s <= w.nstar; ++s) w.kept[s] = 0;
  for (int k = 1; k <= n; ++k) w.kept[w.sel(k)] = 1;
  for (int s = 1; s <= w.nstar; ++s) {
    if (w.kept[s] != 0) continue;
    const int c = centre_row(w, s);
    res.line(report_line(w.id[c], w.kod[c]));
  }
}

}  // namespace loopcut
