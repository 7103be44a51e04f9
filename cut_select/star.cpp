#include "cut_select/cut_select.hpp"

namespace loopcut {

void star(WorkArea& w, int ip) { (void)w; (void)ip; }

}  // namespace loopcut
