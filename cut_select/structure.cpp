#include "common/errors.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

namespace {

// A mates list holds the count in column 1 and at most this many identifiers after it.
constexpr int LIST_ROOM = M_STAR - 1;

bool is_listed(const WorkArea& w, int j, int count, int mate) {
  for (int c = 2; c <= count + 1; ++c) {
    if (w.spou(j, c) == mate) return true;
  }
  return false;
}

// Lists the distinct mates of the individual in row i (position j) in the order of their first
// child. A male's children are found in his list as father, anyone else's as mother; the mate is
// the child's other parent. A full list takes no more entries: its count already stops the run.
int list_mates(WorkArea& w, int i, int b, int last) {
  const int j = i - b;
  const bool male = w.sex[i] == 1;
  const int p = w.id[i];
  int count = 0;
  int r = 0;
  if (p > b && p <= last) r = male ? w.first_child_as_father[p - b] : w.first_child_as_mother[p - b];
  for (; r != 0; r = male ? w.next_child_of_father[r - b] : w.next_child_of_mother[r - b]) {
    const int mate = male ? w.mo[r] : w.fa[r];
    if (count > 0 && is_listed(w, j, count, mate)) continue;
    if (count == LIST_ROOM) continue;
    ++count;
    w.spou(j, count + 1) = mate;
  }
  w.spou(j, 1) = count;
  return count;
}

// Full sibs share a number; a founder gets one of its own only with two or more mates.
// Numbers rise in the order of each sibship's first row; its later members are the later
// children of the same father that have the same mother.
void number_sibships(WorkArea& w, int b, int first, int last) {
  for (int i = first; i <= last; ++i) w.ped[i] = 0;
  int s = 0;
  for (int i = first; i <= last; ++i) {
    if (w.ped[i] != 0) continue;
    if (w.fa[i] == 0 && w.spou(i - b, 1) <= 1) continue;
    ++s;
    w.ped[i] = s;
    if (w.fa[i] <= b || w.fa[i] > last) continue;  // a founder: a sibship of its own
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
  for (int j = 1; j <= last - b; ++j) {
    for (int c = 1; c <= M_STAR; ++c) w.spou(j, c) = 0;
  }
  list_children(w, b, last, last);
  int max_spou = 0;
  for (int i = first; i <= last; ++i) {
    const int count = list_mates(w, i, b, last);
    if (count > max_spou) max_spou = count;
  }
  if (max_spou + 2 > M_STAR) {
    stop_with_output_line((FreeLine() << "max_spou+2>M_STAR:" << max_spou << M_STAR).str());
  }
  number_sibships(w, b, first, last);
}

}  // namespace loopcut
