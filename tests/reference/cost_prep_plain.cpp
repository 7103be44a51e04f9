#include "reference/cost_prep_plain.hpp"

namespace loopcut::reference {

int record_of(int star, const StarTable& stars) {
  for (int k = 1; k <= stars.m; ++k) {
    if (stars.id[static_cast<std::size_t>(k)] == star) return k;
  }
  return 0;
}

bool on_list(int star, const StarList& list) {
  for (int k = 1; k <= list.l; ++k) {
    if (list.star[static_cast<std::size_t>(k)] == star) return true;
  }
  return false;
}

}  // namespace loopcut::reference
