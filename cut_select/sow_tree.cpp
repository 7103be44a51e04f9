#include "cut_select/cut_select.hpp"

namespace loopcut {

void sow_tree(WorkArea& w, int ip) { (void)w; (void)ip; }

}  // namespace loopcut
