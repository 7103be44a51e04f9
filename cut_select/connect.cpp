#include "cut_select/cut_select.hpp"

namespace loopcut {

namespace {

// Copies the listed stars into icon: label 0, member count, centre node, marriage nodes.
void load_listed_stars(WorkArea& w) {
  for (int i = 1; i <= w.nsel; ++i) {
    for (int c = 1; c <= w.icon.cols(); ++c) w.icon(i, c) = 0;
  }
  for (int i = 1; i <= w.nsel; ++i) {
    const int s = w.sel(i);
    const int j = w.con(s, 2);
    w.icon(i, 2) = j + 1;
    w.icon(i, 3) = w.con(s, 1);
    for (int k = 1; k <= j; ++k) w.icon(i, 3 + k) = w.con(s, 2 + k);
  }
}

// Every star and node labelled old now carries label L.
void relabel(WorkArea& w, int nnode, int old, int L) {
  for (int i = 1; i <= w.nsel; ++i) {
    if (w.icon(i, 1) == old) w.icon(i, 1) = L;
  }
  for (int m = 1; m <= nnode; ++m) {
    if (w.ncon[m] == old) w.ncon[m] = L;
  }
}

// Gives each star a new label and spreads it over its nodes; a node that already carries
// another label merges that label's group into the star's.
void propagate_labels(WorkArea& w, int nnode) {
  int L = 0;
  for (int i = 1; i <= w.nsel; ++i) {
    if (w.icon(i, 1) == 0) ++L;
    w.icon(i, 1) = L;
    const int members = w.icon(i, 2);
    for (int c = 3; c <= 2 + members; ++c) {
      const int m = w.icon(i, c);
      const int old = w.ncon[m];
      w.ncon[m] = L;
      if (old != 0 && old != L) relabel(w, nnode, old, L);
    }
  }
}

int count_groups(WorkArea& w) {
  for (int l = 1; l <= w.nsel; ++l) w.luk_con[l] = 0;
  for (int i = 1; i <= w.nsel; ++i) w.luk_con[w.icon(i, 1)] = 1;
  int ngroup = 0;
  for (int l = 1; l <= w.nsel; ++l) {
    if (w.luk_con[l] == 1) ++ngroup;
  }
  return ngroup;
}

int count_touched(const WorkArea& w, int nnode) {
  int touched = 0;
  for (int m = 1; m <= nnode; ++m) {
    if (w.ncon[m] != 0) ++touched;
  }
  return touched;
}

}  // namespace

// Counts the connected groups of the stars sel(1 .. nsel) and the links that stay once each
// group is reduced to a tree: nlink equals the stars' total size exactly when they close no loop.
void connect(WorkArea& w, int& nlink, int& ngroup) {
  const int nnode = w.nsib + w.nleaf;
  load_listed_stars(w);
  for (int m = 1; m <= nnode; ++m) w.ncon[m] = 0;
  propagate_labels(w, nnode);
  ngroup = count_groups(w);
  nlink = count_touched(w, nnode) - ngroup;
}

}  // namespace loopcut
