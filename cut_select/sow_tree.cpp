#include <cstdint>

#include "cut_select/cut_select.hpp"

namespace loopcut {

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

// The members of sibship k are the rows that structure gave number k, ascending, whose ped is
// still k: pruning only ever clears a number. Calls f(row) for each.
template <class F>
void for_members(const WorkArea& w, int k, F&& f) {
  for (int m = w.member_start[k]; m < w.member_start[k + 1]; ++m) {
    const int i = w.member_row[m];
    if (w.ped[i] == k) f(i);
  }
}

Sibship scan_sibship(const WorkArea& w, const Rows& p, int k) {
  Sibship sib;
  for_members(w, k, [&](int i) {
    ++sib.members;
    if (mates(w, p, i) > 0) {
      ++sib.with_offspring;
      sib.s = i;
    }
    sib.F = w.fa[i];
    sib.M = w.mo[i];
  });
  return sib;
}

// Clears every member of sibship k.
void clear_members(WorkArea& w, int k) {
  for_members(w, k, [&](int i) { w.ped[i] = 0; });
}

// Lists longer than this find a mate's column through mate_column rather than a scan.
constexpr int SCANNED_LIST = 32;

std::uint64_t mate_key(int j, int mate) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(j)) << 32) |
         static_cast<std::uint32_t>(mate);
}

void index_long_lists(WorkArea& w, const Rows& p) {
  // A fresh table rather than clear(), which would sweep every bucket a large pedigree left for
  // each small pedigree after it.
  if (!w.mate_column.empty()) w.mate_column = {};
  for (int j = 1; j <= p.last - p.i0; ++j) {
    const int n = w.spou(j, 1);
    w.mates_indexed[j] = n > SCANNED_LIST ? 1 : 0;
    if (n <= SCANNED_LIST) continue;
    for (int c = 2; c <= n + 1; ++c) w.mate_column[mate_key(j, w.spou(j, c))] = c;
  }
}

// Takes Q out of a long list: the last entry fills its place.
void drop_indexed_mate(WorkArea& w, int jo, int Q) {
  const auto it = w.mate_column.find(mate_key(jo, Q));
  if (it == w.mate_column.end()) return;
  const int c = it->second;
  const int n = w.spou(jo, 1);
  const int moved = w.spou(jo, n + 1);
  w.mate_column.erase(it);
  w.spou(jo, c) = moved;
  w.spou(jo, 1) = n - 1;
  if (c != n + 1) w.mate_column[mate_key(jo, moved)] = c;
}

// Takes Q out of O's mates list: the last entry fills its place.
void drop_mate(WorkArea& w, const Rows& p, int O, int Q) {
  const int jo = O - p.i0;
  if (w.mates_indexed[jo] != 0) {
    drop_indexed_mate(w, jo, Q);
    return;
  }
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
    for_members(w, k, [&](int i) {
      if (seen_first) {
        w.ped[i] = 0;
        changed = true;
      }
      seen_first = true;
    });
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
  clear_members(w, k);
  w.luk_sow[k] = 1;
  return true;
}

// Some members have offspring: the childless ones go, each clearing a change.
bool drop_childless_members(WorkArea& w, const Rows& p, int k) {
  bool changed = false;
  for_members(w, k, [&](int i) {
    if (mates(w, p, i) == 0) {
      w.ped[i] = 0;
      changed = true;
    }
  });
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

// Sorts the pedigree's rows by sibship number (a counting sort, so each sibship's rows stay
// ascending); rows without a number are left out.
void list_members(WorkArea& w, const Rows& p) {
  for (int k = 1; k <= w.nsib + 1; ++k) w.member_start[k] = 0;
  for (int i = p.first; i <= p.last; ++i) {
    if (w.ped[i] != 0) ++w.member_start[w.ped[i] + 1];
  }
  w.member_start[1] = 1;
  for (int k = 2; k <= w.nsib + 1; ++k) w.member_start[k] += w.member_start[k - 1];
  for (int i = p.first; i <= p.last; ++i) {
    if (w.ped[i] != 0) w.member_row[w.member_start[w.ped[i]]++] = i;
  }
  for (int k = w.nsib + 1; k >= 2; --k) w.member_start[k] = w.member_start[k - 1];
  w.member_start[1] = 1;
}

void prune(WorkArea& w, const Rows& p) {
  list_members(w, p);
  index_long_lists(w, p);
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
  compact_survivors(w, p.i0, p.last);
  renumber_sibships(w, p.first);
}

// Moves the surviving records to the front of the pedigree's rows, in order; weight stays put.
void compact_survivors(WorkArea& w, int i0, int last) {
  w.max_spou = 0;
  int c = 0;
  for (int i = i0 + 1; i <= last; ++i) {
    if (w.ped[i] == 0) continue;
    ++c;
    const int to = i0 + c;
    w.ped[to] = w.ped[i];
    w.id[to] = w.id[i];
    w.fa[to] = w.fa[i];
    w.mo[to] = w.mo[i];
    w.sex[to] = w.sex[i];
    w.kod[to] = w.kod[i];
    const int count = w.spou(i - i0, 1);
    w.spou.move_row(c, i - i0);
    if (count > w.max_spou) w.max_spou = count;
  }
  w.nend = i0 + c;
}

// Numbers the surviving sibships 1, 2, 3, ... in the order of their old numbers.
void renumber_sibships(WorkArea& w, int first) {
  const int old_nsib = w.nsib;
  for (int k = 1; k <= old_nsib; ++k) w.renum[k] = 0;
  for (int i = first; i <= w.nend; ++i) w.renum[w.ped[i]] = 1;
  int n = 0;
  for (int k = 1; k <= old_nsib; ++k) {
    if (w.renum[k] != 0) w.renum[k] = ++n;
  }
  for (int i = first; i <= w.nend; ++i) w.ped[i] = w.renum[w.ped[i]];
  w.nsib = n;
}

}  // namespace loopcut
