#include "cut_select/work_area.hpp"

namespace loopcut {

WorkArea::WorkArea()
    : ped(N_SIZE + 1), id(N_SIZE + 1), fa(N_SIZE + 1), mo(N_SIZE + 1), sex(N_SIZE + 1),
      weight(N_SIZE + 1), kod(N_SIZE + 1, make_label("")), spou(N_SIZE, M_STAR),
      fam(N_FAM + 1), st(M_STAR + N_STAR + 1), con(N_SIZE, M_STAR + 2),
      first_child_as_father(N_SIZE + 1), first_child_as_mother(N_SIZE + 1),
      next_child_of_father(N_SIZE + 1), next_child_of_mother(N_SIZE + 1), luk_sow(N_SIZE + 1),
      renum(N_SIZE + 1), member_start(N_SIZE + 2), member_row(N_SIZE + 1),
      luk_star(N_SIZE + 1), star_rows(N_SIZE + 1), kept(N_SIZE + 1),
      first_fit(static_cast<std::size_t>(N_SIZE + 1) * (M_STAR + 1)), chain_sum(N_SIZE + 1),
      chain_unit(N_SIZE + 1), uf_parent(MAX_NODES + 1), uf_size(MAX_NODES + 1),
      uf_stamp(MAX_NODES + 1), merge_attached(MAX_NODES + 1), merge_root(MAX_NODES + 1),
      merge_size(MAX_NODES + 1), path_base(N_SIZE + 2), path_merges(N_SIZE + 2),
      on_path(N_SIZE + 1), path_todo(N_SIZE + 2) {}

}  // namespace loopcut
