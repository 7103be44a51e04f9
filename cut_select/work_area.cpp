#include "cut_select/work_area.hpp"

namespace loopcut {

WorkArea::WorkArea()
    : ped(N_SIZE + 1), id(N_SIZE + 1), fa(N_SIZE + 1), mo(N_SIZE + 1), sex(N_SIZE + 1),
      weight(N_SIZE + 1), kod(N_SIZE + 1, make_label("")), spou(N_SIZE, M_STAR),
      fam(N_FAM + 1), st(M_STAR + N_STAR + 1), con(N_SIZE, M_STAR + 2),
      luk_sow(N_SIZE + 1), renum(N_SIZE + 1), luk_star(N_SIZE + 1), kept(N_SIZE + 1),
      icon(N_SIZE, M_STAR + 1), ncon(MAX_NODES + 1), luk_con(N_SIZE + 1) {}

}  // namespace loopcut
