#include <algorithm>

#include "ped_cut/ped_cut.hpp"

namespace loopcut {

namespace {

// Orders the cut list by weight, largest first; equal weights keep report order.
void order_by_weight(CutTables& t) {
  auto& w = t.work;
  auto order = w.order.begin() + 1;
  for (int k = 1; k <= t.ncut; ++k) w.order[static_cast<std::size_t>(k)] = k;
  std::sort(order, order + t.ncut, [&t](int a, int b) {
    return t.weight[a] != t.weight[b] ? t.weight[a] > t.weight[b] : a < b;
  });
  auto permute = [&t, &w](auto& column, auto& spare) {
    for (int k = 1; k <= t.ncut; ++k) spare[k] = column[w.order[static_cast<std::size_t>(k)]];
    for (int k = 1; k <= t.ncut; ++k) column[k] = spare[k];
  };
  permute(t.n_cut, w.entry_int);
  permute(t.brk, w.entry_int);
  permute(t.weight, w.entry_float);
  permute(t.cut, t.kod_spare);
}

// Undoes the cuts by sweeping every row of the table for each join: for tables where a breaker
// carries the identifier of a copy, so that the copies' children cannot be listed beforehand.
void rejoin_by_sweeps(CutTables& t) {
  auto& mas = t.mas;
  for (int k = 1; k <= t.ncut; ++k) {
    const int i = t.brk[k];
    const int p = parent_column(mas(i, SEX));
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

}  // namespace

// A cut that leaves a copy in another group than its breaker opens no loop, so it is undone:
// the copy's group joins the breaker's, the copy's children name the breaker again and the copy
// is dropped (PED 0). The entries are taken from the heaviest down, so when several cuts split a
// group only the heaviest is undone and the lighter ones, whose copies are then back in their
// breakers' group, stay. Read rows are never merged with one another.
//
// The groups are sets of a union–find carrying their numbers; the copies of each breaker and the
// rows naming each copy as parent are listed once. A join only merges groups, so a copy found in
// its breaker's group stays there, and a copy's children lie in the copy's group.
void rejoin(CutTables& t) {
  auto& mas = t.mas;
  auto& w = t.work;
  order_by_weight(t);

  const int nread = t.nread;
  bool listable = true;
  for (int k = 1; k <= t.ncut; ++k) {
    const int id = mas(t.brk[k], ID);
    if (id > nread && id <= t.ndat) listable = false;
  }
  for (int m = nread + 1; m <= t.ndat; ++m) {
    if (mas(m, ID) != m) listable = false;
  }
  if (!listable) {
    rejoin_by_sweeps(t);
    return;
  }

  // The groups as split left them; dropped rows belong to none.
  auto& sets = w.sets;
  auto& dropped = w.row_flag;
  std::fill(w.first_of_group.begin(), w.first_of_group.begin() + t.ndat + 1, 0);
  for (int r = 1; r <= t.ndat; ++r) {
    const int group = mas(r, PED);
    dropped[static_cast<std::size_t>(r)] = group == 0;
    if (group == 0) continue;
    int& first = w.first_of_group[static_cast<std::size_t>(group)];
    if (first == 0) {
      sets.make(r, group);
      first = r;
    } else {
      sets.attach(r, first);
    }
  }
  w.copies_of.build(nread + 1, t.ndat, nread, [&t](int m, auto emit) {
    if (t.from[m] >= 1) emit(t.from[m]);
  });
  // Rows by each copy they name as a parent. Only cut_breakers makes rows name a copy, and a
  // child going back to its breaker names a read row, so these lists do not change.
  const int copies = t.ndat - nread;
  w.children.build(1, t.ndat, copies, [&mas, nread, &t](int r, auto emit) {
    for (int column : {FA, MO}) {
      const int v = mas(r, column);
      if (v > nread && v <= t.ndat) emit(v - nread);
    }
  });

  for (int k = 1; k <= t.ncut; ++k) {
    const int i = t.brk[k];
    const int p = parent_column(mas(i, SEX));
    for (int m : w.copies_of.of(i)) {
      if (dropped[static_cast<std::size_t>(m)]) continue;
      const int root_i = sets.find(i);
      const int root_m = sets.find(m);
      if (root_i == root_m) continue;
      for (int r : w.children.of(m - nread)) {
        if (sets.find(r) == root_m && mas(r, p) == mas(m, ID)) mas(r, p) = mas(i, ID);
      }
      sets.join(root_i, root_m, sets.label_of_root(root_i));
      dropped[static_cast<std::size_t>(m)] = 1;
    }
  }
  for (int r = 1; r <= t.ndat; ++r) {
    mas(r, PED) = dropped[static_cast<std::size_t>(r)] ? 0 : sets.label_of_root(sets.find(r));
  }
}

}  // namespace loopcut
