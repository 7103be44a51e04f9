#include "cut_select/cut_select.hpp"

namespace loopcut {

// Prepending from the last row to the first leaves every list in ascending row order.
void list_children(WorkArea& w, int i0, int last_row, int last_id) {
  for (int p = 1; p <= last_id - i0; ++p) {
    w.first_child_as_father[p] = 0;
    w.first_child_as_mother[p] = 0;
  }
  for (int r = last_row; r > i0; --r) {
    const int f = w.fa[r];
    if (f > i0 && f <= last_id) {
      w.next_child_of_father[r - i0] = w.first_child_as_father[f - i0];
      w.first_child_as_father[f - i0] = r;
    }
    const int m = w.mo[r];
    if (m > i0 && m <= last_id) {
      w.next_child_of_mother[r - i0] = w.first_child_as_mother[m - i0];
      w.first_child_as_mother[m - i0] = r;
    }
  }
}

}  // namespace loopcut
