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

}  // namespace

void rewrite(Table<int>& mas, std::vector<Label>& kod, int& ndat, int nped) {
  // Group sizes: column 1 the group number, column 2 its live rows.
  Table<int> ip_size(N_SIZE, 2);
  for (int c = 1; c <= nped; ++c) {
    ip_size(c, 1) = c;
    ip_size(c, 2) = 0;
  }
  for (int r = 1; r <= ndat; ++r) {
    if (mas(r, PED) != 0) ++ip_size(mas(r, PED), 2);
  }

  // Largest first; equal sizes keep increasing group number.
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

  // The spare identifier is a value no row uses, held while two identifiers are exchanged.
  if (ndat + 1 > N_SIZE) stop_with_message(N_SIZE_STOP);
  const int spare = ndat + 1;

  // Placement: rows 1 .. s-1 are placed. Each step brings to row s the first unplaced row of the
  // current group whose parents are both placed (or 0), and gives it identifier s.
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

  // Warnings only: the file is written all the same.
  for (int r = 1; r <= ndat; ++r) {
    if (mas(r, ID) != r) print(FreeLine() << "ERROR: no correct ID on line" << r);
    if (mas(r, FA) > r || mas(r, MO) > r) {
      print(FreeLine() << "ERROR: parent\"s ID > offspring\"s ID on line" << r);
    }
  }
}

}  // namespace loopcut
