#include "cut_select/work_area.hpp"

namespace loopcut {

namespace {
std::size_t entries(int n) { return static_cast<std::size_t>(n) + 1; }
}  // namespace

void WorkArea::ensure_records(int rows) {
  const std::size_t n = entries(rows);
  if (ped.size() >= n) return;
  // Doubling keeps a file read record by record linear.
  const std::size_t room = std::max(n, 2 * ped.size());
  for (auto* column : {&ped, &id, &fa, &mo, &sex}) column->resize(room, 0);
  weight.resize(room, 0.0f);
  kod.resize(room, make_label(""));
}

void size_pedigree_tables(WorkArea& w, int n) {
  const std::size_t rows = entries(n);
  for (auto* t : {&w.first_child_as_father, &w.first_child_as_mother, &w.next_child_of_father,
                  &w.next_child_of_mother, &w.next_full_sib, &w.slot_stamp, &w.slot_row,
                  &w.luk_sow, &w.renum, &w.member_row, &w.luk_star, &w.star_rows, &w.kept}) {
    ensure_size(*t, rows);
  }
  ensure_size(w.member_start, rows + 1);
  ensure_size(w.mates_indexed, rows);
}

int size_search(WorkArea& w) {
  const int nnode = w.nsib + w.nleaf;
  // A selection that closes no loop has fewer links than the nodes it touches, so no step
  // beyond nnode - 1 is reached; without a star of one mate the search looks at max_spou more.
  const int last_step = nnode + w.max_spou + 1;
  const std::size_t steps = entries(last_step + 1);
  for (auto* t : {&w.step_table, &w.sel_list, &w.on_path, &w.path_base, &w.path_merges,
                  &w.path_todo}) {
    ensure_size(*t, steps);
  }
  ensure_size(w.chain_sum, steps);
  ensure_size(w.chain_unit, steps);
  for (auto* t : {&w.uf_parent, &w.uf_size, &w.uf_stamp, &w.merge_attached, &w.merge_root,
                  &w.merge_size}) {
    ensure_size(*t, entries(nnode));
  }
  ensure_size(w.kept, entries(w.nstar));
  return last_step;
}

}  // namespace loopcut
