#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

namespace {

bool is_listed(const WorkArea& w, int j, int count, int mate) {
  for (int c = 2; c <= count + 1; ++c) {
    if (w.spou(j, c) == mate) return true;
  }
  return false;
}

// The children of the individual in row i as its role gives them: a male's in his list as
// father, anyone else's in the list as mother. Calls f(child row).
template <class F>
void for_children(const WorkArea& w, int i, int b, int last, F&& f) {
  const bool male = w.sex[i] == 1;
  const int p = w.id[i];
  int r = 0;
  if (p > b && p <= last) r = male ? w.first_child_as_father[p - b] : w.first_child_as_mother[p - b];
  for (; r != 0; r = male ? w.next_child_of_father[r - b] : w.next_child_of_mother[r - b]) f(r);
}

// Each row's mates list is as wide as its list can grow: one column per child, at most the
// list's room, behind the count.
void lay_out_mates_lists(WorkArea& w, int b, int last, int room) {
  w.spou.lay_out(last - b, [&](int j) {
    int children = 0;
    for_children(w, b + j, b, last, [&](int) { ++children; });
    return 1 + (children < room ? children : room);
  });
}

// Lists the distinct mates of the individual in row i (position j) in the order of their first
// child; the mate is the child's other parent. A mate already met is known by its slot's stamp
// (the individual's row). A full list takes no more entries: its count already stops the run.
int list_mates(WorkArea& w, int i, int b, int last, int room) {
  const int j = i - b;
  const bool male = w.sex[i] == 1;
  int count = 0;
  for_children(w, i, b, last, [&](int r) {
    const int mate = male ? w.mo[r] : w.fa[r];
    const int slot = mate_slot(mate, b, last);
    if (slot >= 0) {
      if (w.slot_stamp[slot] == i) return;
      w.slot_stamp[slot] = i;
    } else if (count > 0 && is_listed(w, j, count, mate)) {
      return;
    }
    if (count == room) return;
    ++count;
    w.spou(j, count + 1) = mate;
  });
  w.spou(j, 1) = count;
  return count;
}

// Links each child to the next child of the same father with the same mother (next_full_sib),
// walking each father's children once; the mother's slot remembers the father that met her
// last and his last child by her.
void link_full_sibs(WorkArea& w, int b, int first, int last) {
  for (int i = first; i <= last; ++i) w.next_full_sib[i - b] = 0;
  for (int j = 0; j <= last - b; ++j) w.slot_stamp[j] = 0;
  for (int f = first; f <= last; ++f) {
    for (int r = w.first_child_as_father[f - b]; r != 0; r = w.next_child_of_father[r - b]) {
      const int slot = mate_slot(w.mo[r], b, last);
      if (slot < 0) continue;  // found by a walk of the father's list instead
      if (w.slot_stamp[slot] == f) w.next_full_sib[w.slot_row[slot] - b] = r;
      w.slot_stamp[slot] = f;
      w.slot_row[slot] = r;
    }
  }
}

// Full sibs share a number; a founder gets one of its own only with two or more mates.
// Numbers rise in the order of each sibship's first row; its later members are the later
// children of the same father that have the same mother.
void number_sibships(WorkArea& w, int b, int first, int last) {
  link_full_sibs(w, b, first, last);
  for (int i = first; i <= last; ++i) w.ped[i] = 0;
  int s = 0;
  for (int i = first; i <= last; ++i) {
    if (w.ped[i] != 0) continue;
    if (w.fa[i] == 0 && w.spou(i - b, 1) <= 1) continue;
    ++s;
    w.ped[i] = s;
    if (w.fa[i] <= b || w.fa[i] > last) continue;  // a founder: a sibship of its own
    if (mate_slot(w.mo[i], b, last) >= 0) {
      for (int r = w.next_full_sib[i - b]; r != 0; r = w.next_full_sib[r - b]) {
        if (w.ped[r] == 0) w.ped[r] = s;
      }
      continue;
    }
    for (int r = w.next_child_of_father[i - b]; r != 0; r = w.next_child_of_father[r - b]) {
      if (w.ped[r] == 0 && w.mo[r] == w.mo[i]) w.ped[r] = s;
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
  // A mates list holds the count in column 1 and at most this many identifiers after it.
  const int room = m_star() - 1;
  size_pedigree_tables(w, last - b);
  list_children(w, b, last, last);
  lay_out_mates_lists(w, b, last, room);
  for (int j = 0; j <= last - b; ++j) w.slot_stamp[j] = 0;
  int max_spou = 0;
  for (int i = first; i <= last; ++i) {
    const int count = list_mates(w, i, b, last, room);
    if (count > max_spou) max_spou = count;
  }
  if (max_spou + 2 > m_star()) {
    stop_at_ceiling_line((FreeLine() << "max_spou+2>M_STAR:" << max_spou << m_star()).str(),
                         Ceiling::m_star);
  }
  number_sibships(w, b, first, last);
}

}  // namespace loopcut
