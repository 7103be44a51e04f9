#include <algorithm>
#include <functional>
#include <utility>

#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

namespace {

// Replaces the identifier value `from` by `to` in the columns ID, FA and MO of rows s .. ndat.
void replace_identifier(Table<int>& mas, int s, int ndat, int from, int to) {
  for (int r = s; r <= ndat; ++r) {
    for (int column : {ID, FA, MO}) {
      if (mas(r, column) == from) mas(r, column) = to;
    }
  }
}

// Placement by searching and sweeping the whole table for every row placed: rows 1 .. s-1 are
// placed, and each step brings to row s the first unplaced row of the current group whose
// parents are both below s (or 0), exchanging the identifiers s and that row's identifier. Used
// for tables where an identifier is not its row's number, a parent lies outside its group or is
// dropped, or an individual is its own ancestor: there the search may find no row (the row at s
// then stays and is numbered all the same) and an exchange is not a plain swap of two rows.
int place_irregular(CutTables& t, int groups) {
  auto& mas = t.mas;
  auto& kod = t.kod;
  const int ndat = t.ndat;
  const int spare = ndat + 1;
  int s = 0;
  int total = 0;
  for (int g = 1; g <= groups; ++g) {
    const int group = t.work.order[static_cast<std::size_t>(g)];
    total += t.work.group_size[static_cast<std::size_t>(group)];
    do {
      ++s;
      int found = 0;
      for (int r = s; r <= ndat; ++r) {
        if (mas(r, PED) == group && mas(r, FA) < s && mas(r, MO) < s) {
          found = r;
          break;
        }
      }
      if (found != 0 && found != s) {
        replace_identifier(mas, s, ndat, s, spare);
        const int x = mas(found, ID);
        replace_identifier(mas, s, ndat, x, s);
        replace_identifier(mas, s, ndat, spare, x);
        for (int column = 1; column <= MAS_COLUMNS; ++column) {
          std::swap(mas(s, column), mas(found, column));
        }
        std::swap(kod[s], kod[found]);
      }
      mas(s, PED) = g;
    } while (s < total);
  }
  return s;
}

std::size_t at_row(int r) { return static_cast<std::size_t>(r); }

// Whether every identifier is its row's number and every parent 0 or a row.
bool identifiers_are_rows(const CutTables& t) {
  for (int r = 1; r <= t.ndat; ++r) {
    if (t.mas(r, ID) != r) return false;
    for (int column : {FA, MO}) {
      if (t.mas(r, column) < 0 || t.mas(r, column) > t.ndat) return false;
    }
  }
  return true;
}

// The children of each row, the rows of each group, and each row's count of parents not yet
// placed; every row at its own position.
void index_rows(CutTables& t, int nped) {
  auto& mas = t.mas;
  auto& w = t.work;
  const int n = t.ndat;
  w.children.build(1, n, n, [&mas](int r, auto emit) {
    if (mas(r, FA) != 0) emit(mas(r, FA));
    if (mas(r, MO) != 0) emit(mas(r, MO));
  });
  w.members.build(1, n, nped, [&mas, nped](int r, auto emit) {
    if (mas(r, PED) >= 1 && mas(r, PED) <= nped) emit(mas(r, PED));
  });
  for (int r = 1; r <= n; ++r) {
    w.waiting[at_row(r)] = (mas(r, FA) != 0) + (mas(r, MO) != 0);
    w.pos[at_row(r)] = r;
    w.at[at_row(r)] = r;
  }
}

// Row r waits in the heap of ready rows by its current position, the lowest on top.
void make_ready(CutWorkSpace& w, int r) {
  w.ready.emplace_back(w.pos[at_row(r)], r);
  std::push_heap(w.ready.begin(), w.ready.end(), std::greater<std::pair<int, int>>());
}

// The ready row that stands lowest, taken from the heap.
std::pair<int, int> take_lowest_ready(CutWorkSpace& w) {
  std::pop_heap(w.ready.begin(), w.ready.end(), std::greater<std::pair<int, int>>());
  const std::pair<int, int> lowest = w.ready.back();
  w.ready.pop_back();
  return lowest;
}

// Places the rows of `group` (the g-th in order) at positions s+1 .. total, where s is the last
// position placed; false when some step finds no ready row.
bool place_group(CutTables& t, int g, int group, int total, int& s) {
  auto& w = t.work;
  w.ready.clear();
  for (int r : w.members.of(group)) {
    if (w.waiting[at_row(r)] == 0) make_ready(w, r);
  }
  do {
    ++s;
    if (w.ready.empty()) return false;
    const auto [position, r] = take_lowest_ready(w);
    if (position != w.pos[at_row(r)] || position < s) return false;
    if (position != s) {
      const int u = w.at[at_row(s)];
      w.at[at_row(s)] = r;
      w.pos[at_row(r)] = s;
      w.at[at_row(position)] = u;
      w.pos[at_row(u)] = position;
    }
    w.placed_group[at_row(s)] = g;
    for (int child : w.children.of(r)) {
      if (--w.waiting[at_row(child)] == 0 && t.mas(child, PED) == group) make_ready(w, child);
    }
  } while (s < total);
  return true;
}

// Every row to its position; identifiers and parents become positions, and the rows placed
// take their group's place in the order.
void move_rows_to_positions(CutTables& t, int placed) {
  auto& mas = t.mas;
  const auto& w = t.work;
  const int n = t.ndat;
  for (int r = 1; r <= n; ++r) {
    for (int column = 1; column <= MAS_COLUMNS; ++column) t.mas_spare(r, column) = mas(r, column);
    t.kod_spare[at_row(r)] = t.kod[at_row(r)];
  }
  for (int q = 1; q <= n; ++q) {
    const int r = w.at[at_row(q)];
    for (int column = 1; column <= MAS_COLUMNS; ++column) mas(q, column) = t.mas_spare(r, column);
    t.kod[at_row(q)] = t.kod_spare[at_row(r)];
    mas(q, ID) = q;
    for (int column : {FA, MO}) {
      if (mas(q, column) != 0) mas(q, column) = w.pos[at_row(mas(q, column))];
    }
    if (q <= placed) mas(q, PED) = w.placed_group[at_row(q)];
  }
}

// The same placement where every identifier is its row's number. Then each exchange swaps the
// identifiers s and r throughout the unplaced rows, so an identifier always names the row's
// current position, "parents below s" means "parents placed", and the row found is the ready row
// of the group (all parents placed) that stands lowest. Positions change only when the row at s
// is swapped with the row found, so the ready rows wait in a heap by position: a row enters it
// when its group's turn comes or when its last parent is placed. Returns false, with the table
// untouched, when some step finds no ready row; the placement is then left to place_irregular.
bool place_by_heap(CutTables& t, int nped, int groups, int& placed) {
  if (!identifiers_are_rows(t)) return false;
  index_rows(t, nped);
  int s = 0;
  int total = 0;
  for (int g = 1; g <= groups; ++g) {
    const int group = t.work.order[at_row(g)];
    total += t.work.group_size[at_row(group)];
    if (!place_group(t, g, group, total, s)) return false;
  }
  move_rows_to_positions(t, s);
  placed = s;
  return true;
}

}  // namespace

void rewrite(CutTables& t, int nped) {
  auto& mas = t.mas;
  auto& w = t.work;
  // Group sizes: the live rows of each group number.
  for (int c = 1; c <= nped; ++c) w.group_size[static_cast<std::size_t>(c)] = 0;
  for (int r = 1; r <= t.ndat; ++r) {
    const int group = mas(r, PED);
    if (group >= 1 && group <= nped) ++w.group_size[static_cast<std::size_t>(group)];
  }

  // Largest first; equal sizes keep increasing group number.
  for (int c = 1; c <= nped; ++c) w.order[static_cast<std::size_t>(c)] = c;
  std::sort(w.order.begin() + 1, w.order.begin() + 1 + nped, [&w](int a, int b) {
    const int size_a = w.group_size[static_cast<std::size_t>(a)];
    const int size_b = w.group_size[static_cast<std::size_t>(b)];
    return size_a != size_b ? size_a > size_b : a < b;
  });
  auto size_at = [&w](int c) {
    return w.group_size[static_cast<std::size_t>(w.order[static_cast<std::size_t>(c)])];
  };
  int groups = 0;
  while (groups < nped && size_at(groups + 1) != 0) ++groups;

  // The spare identifier is a value no row uses, held while two identifiers are exchanged.
  if (t.ndat + 1 > n_size()) stop_record_ceiling();
  t.ensure_rows(t.ndat + 1);

  int placed = 0;
  if (!place_by_heap(t, nped, groups, placed)) placed = place_irregular(t, groups);
  t.ndat = placed;

  // Warnings only: the file is written all the same.
  for (int r = 1; r <= t.ndat; ++r) {
    if (mas(r, ID) != r) print(FreeLine() << "ERROR: no correct ID on line" << r);
    if (mas(r, FA) > r || mas(r, MO) > r) {
      print(FreeLine() << "ERROR: parent\"s ID > offspring\"s ID on line" << r);
    }
  }
}

}  // namespace loopcut
