#include "common/par.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

void CutTables::ensure_rows(int rows) {
  mas.ensure_rows(rows);
  mas_spare.ensure_rows(rows);
  const auto n = static_cast<std::size_t>(rows) + 1;
  grow(kod, n);
  grow(from, n);
  grow(kod_spare, n);
}

void CutTables::ensure_entries(int entries) {
  const auto n = static_cast<std::size_t>(entries) + 1;
  grow(n_cut, n);
  grow(cut, n);
  grow(weight, n);
  grow(brk, n);
  grow(kod_spare, n);
}

void stop_record_ceiling() { stop_at_ceiling_message(N_SIZE_STOP, Ceiling::n_size); }

void stop_star_ceiling() { stop_at_ceiling_message(N_STAR_STOP, Ceiling::n_star); }

}  // namespace loopcut
