#include <algorithm>

#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

// The report names each breaker by identifier and label. Labels need not be unique (numbering
// within each family is common), so the identifier's row counts when it carries the label; the
// first read row with the label otherwise, found through the read rows ordered by label.
void find_breakers(CutTables& t) {
  t.size_work();
  auto& by_label = t.work.by_label;
  const auto first = by_label.begin();
  const auto last = first + t.nread;
  for (int i = 1; i <= t.nread; ++i) by_label[static_cast<std::size_t>(i - 1)] = i;
  std::sort(first, last, [&t](int a, int b) {
    return t.kod[a] != t.kod[b] ? t.kod[a] < t.kod[b] : a < b;
  });
  for (int k = 1; k <= t.ncut; ++k) {
    const int named = t.n_cut[k];
    if (named >= 1 && named <= t.nread && t.kod[named] == t.cut[k]) {
      t.brk[k] = named;
      continue;
    }
    const auto it = std::lower_bound(first, last, t.cut[k],
                                     [&t](int row, const Label& l) { return t.kod[row] < l; });
    t.brk[k] = it != last && t.kod[*it] == t.cut[k] ? *it : 0;
  }
}

namespace {

// Appends copy number c of breaker i behind the read rows and returns its row.
int make_copy(CutTables& t, int i, int c) {
  auto& mas = t.mas;
  const int n = t.nread + c;
  if (n > n_size()) stop_record_ceiling();
  t.ensure_rows(n);
  mas(n, PED) = 0;
  mas(n, ID) = n;
  mas(n, FA) = 0;
  mas(n, MO) = 0;
  mas(n, SEX) = mas(i, SEX);
  mas(n, PROB) = 1;
  t.kod[n] = t.kod[i];
  t.from[n] = i;
  return n;
}

// A breaker whose identifier is no read row's (a record nobody names as parent may carry any
// identifier): its children are looked for among all read rows, and the copies it makes may
// carry its identifier, so the rows are scanned as they stand.
void cut_by_scan(CutTables& t, int i, int& c) {
  auto& mas = t.mas;
  const int p = parent_column(mas(i, SEX));
  const int o = other_parent_column(mas(i, SEX));
  const bool founder = mas(i, FA) == 0;
  bool have_first = false;
  int first = 0;
  for (int j = 1; j <= t.nread; ++j) {
    if (mas(j, p) != mas(i, ID)) continue;
    if (founder && !have_first) {
      first = mas(j, o);
      have_first = true;
      continue;
    }
    if (founder && mas(j, o) == first) continue;
    const int mate = mas(j, o);
    const int n = make_copy(t, i, ++c);
    mas(j, p) = n;
    for (int m = j + 1; m <= t.nread; ++m) {
      if (mas(m, p) == mas(i, ID) && mas(m, o) == mate) mas(m, p) = n;
    }
  }
}

}  // namespace

// For each entry in report order, the breaker i keeps its own record and its parents; each mate's
// children go, in the order of that mate's first child, to one new founder copy of i appended
// after the read rows. A founder breaker keeps the children it has with the other parent of its
// first child (0 included) and copies only for its further mates. Only read rows are searched
// for children, and copies have no parents, so a copy is never cut again.
//
// Children are found through lists of the read rows by father and by mother. A child only ever
// leaves a read row for a copy, whose row lies behind the read rows, so a list entry whose parent
// column no longer names the breaker is passed over and no row joins a list.
void cut_breakers(CutTables& t) {
  auto& mas = t.mas;
  auto& w = t.work;
  const int nread = t.nread;
  t.size_work();
  auto parents_in = [&mas, nread](int column) {
    return [&mas, nread, column](int r, auto emit) {
      const int v = mas(r, column);
      if (v >= 1 && v <= nread) emit(v);
    };
  };
  w.by_father.build(1, nread, nread, parents_in(FA));
  w.by_mother.build(1, nread, nread, parents_in(MO));
  std::fill(w.mate_stamp.begin(), w.mate_stamp.begin() + nread + 1, 0);

  int c = 0;
  for (int k = 1; k <= t.ncut; ++k) {
    const int i = t.brk[k];
    if (i == 0) {
      stop_with_output_line((FreeLine() << "ERROR: there is not breaker" << t.n_cut[k]).str());
    }
    const int id = mas(i, ID);
    if (id < 1 || id > nread) {
      cut_by_scan(t, i, c);
      continue;
    }

    const int p = parent_column(mas(i, SEX));
    const int o = other_parent_column(mas(i, SEX));
    const bool founder = mas(i, FA) == 0;
    bool have_first = false;
    int first = 0;  // the first mate of a founder breaker
    w.other_mates.clear();
    for (int j : (p == FA ? w.by_father : w.by_mother).of(id)) {
      if (mas(j, p) != id) continue;  // gone to a copy of an earlier entry
      const int mate = mas(j, o);
      if (founder && !have_first) {
        first = mate;
        have_first = true;
        continue;
      }
      if (founder && mate == first) continue;

      // The first child with this mate makes the copy; the later ones follow it there.
      int copy = 0;
      if (mate >= 0 && mate <= nread) {
        const auto m = static_cast<std::size_t>(mate);
        if (w.mate_stamp[m] == k) {
          copy = w.mate_copy[m];
        } else {
          copy = make_copy(t, i, ++c);
          w.mate_stamp[m] = k;
          w.mate_copy[m] = copy;
        }
      } else {
        for (const auto& [other, made] : w.other_mates) {
          if (other == mate) copy = made;
        }
        if (copy == 0) {
          copy = make_copy(t, i, ++c);
          w.other_mates.emplace_back(mate, copy);
        }
      }
      mas(j, p) = copy;
    }
  }
  t.ndat = nread + c;
}

}  // namespace loopcut
