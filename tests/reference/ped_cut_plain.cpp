#include "reference/ped_cut_plain.hpp"

#include <utility>

#include "common/errors.hpp"
#include "common/free_writer.hpp"

namespace loopcut::reference {

int find_breaker(const CutTables& t, int k) {
  const int named = t.n_cut[k];
  if (named >= 1 && named <= t.nread && t.kod[named] == t.cut[k]) return named;
  for (int i = 1; i <= t.nread; ++i) {
    if (t.kod[i] == t.cut[k]) return i;
  }
  return 0;
}

void find_breakers(CutTables& t) {
  for (int k = 1; k <= t.ncut; ++k) t.brk[k] = find_breaker(t, k);
}

int entry_of_star(const CutTables& t, int star) {
  for (int k = 1; k <= t.ncut; ++k) {
    if (t.n_cut[k] == star) return k;
  }
  return 0;
}

void cut_breakers(CutTables& t) {
  auto& mas = t.mas;
  const int ndat0 = t.nread;
  int c = 0;
  for (int k = 1; k <= t.ncut; ++k) {
    const int i = find_breaker(t, k);
    if (i == 0) {
      stop_with_output_line((FreeLine() << "ERROR: there is not breaker" << t.n_cut[k]).str());
    }
    t.brk[k] = i;

    const int p = parent_column(mas(i, SEX));
    const int o = other_parent_column(mas(i, SEX));
    const bool founder = mas(i, FA) == 0;
    bool have_first = false;
    int first = 0;
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
      if (n > n_size()) stop_record_ceiling();
      t.ensure_rows(n);
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

int split(CutTables& t) {
  auto& mas = t.mas;
  for (int r = 1; r <= t.ndat; ++r) mas(r, PED) = 0;
  int nped = 0;
  for (int r = 1; r <= t.ndat; ++r) {
    if (mas(r, PED) == 0) mas(r, PED) = ++nped;
    for (int column : {FA, MO}) {
      const int parent = mas(r, column);
      if (parent == 0) continue;
      const int old = mas(parent, PED);
      mas(parent, PED) = mas(r, PED);
      if (old != 0) {
        for (int q = 1; q <= t.ndat; ++q) {
          if (mas(q, PED) == old) mas(q, PED) = mas(r, PED);
        }
      }
    }
  }
  return nped;
}

void rejoin(CutTables& t) {
  auto& mas = t.mas;
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (int p = 1; p <= t.ncut - 1; ++p) {
      if (t.weight[p] < t.weight[p + 1]) {
        std::swap(t.n_cut[p], t.n_cut[p + 1]);
        std::swap(t.cut[p], t.cut[p + 1]);
        std::swap(t.weight[p], t.weight[p + 1]);
        std::swap(t.brk[p], t.brk[p + 1]);
        exchanged = true;
      }
    }
  }
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

namespace {

void replace_identifier(Table<int>& mas, int s, int ndat, int from, int to) {
  for (int r = s; r <= ndat; ++r) {
    for (int column : {ID, FA, MO}) {
      if (mas(r, column) == from) mas(r, column) = to;
    }
  }
}

}  // namespace

void rewrite(CutTables& t, int nped) {
  auto& mas = t.mas;
  auto& kod = t.kod;
  int& ndat = t.ndat;
  Table<int> ip_size(t.ndat, 2);
  for (int c = 1; c <= nped; ++c) {
    ip_size(c, 1) = c;
    ip_size(c, 2) = 0;
  }
  for (int r = 1; r <= ndat; ++r) {
    if (mas(r, PED) != 0) ++ip_size(mas(r, PED), 2);
  }
  for (bool exchanged = true; exchanged;) {
    exchanged = false;
    for (int c = 1; c <= nped - 1; ++c) {
      if (ip_size(c, 2) < ip_size(c + 1, 2)) {
        std::swap(ip_size(c, 1), ip_size(c + 1, 1));
        std::swap(ip_size(c, 2), ip_size(c + 1, 2));
        exchanged = true;
      }
    }
  }
  int groups = 0;
  while (groups < nped && ip_size(groups + 1, 2) != 0) ++groups;

  if (ndat + 1 > n_size()) stop_record_ceiling();
  const int spare = ndat + 1;

  int s = 0;
  int total = 0;
  for (int g = 1; g <= groups; ++g) {
    const int group = ip_size(g, 1);
    total += ip_size(g, 2);
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
  ndat = s;

  for (int r = 1; r <= ndat; ++r) {
    if (mas(r, ID) != r) print(FreeLine() << "ERROR: no correct ID on line" << r);
    if (mas(r, FA) > r || mas(r, MO) > r) {
      print(FreeLine() << "ERROR: parent\"s ID > offspring\"s ID on line" << r);
    }
  }
}

}  // namespace loopcut::reference
