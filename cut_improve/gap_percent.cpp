#include <algorithm>
#include <cmath>
#include <cstdio>

#include "cut_improve/cut_improve.hpp"

namespace loopcut {

std::string gap_percent(double cost, double bound) {
  double gap = 0.0;
  if (bound < cost) gap = cost > 0 && std::isfinite(bound) ? 100.0 * (cost - bound) / cost : 100.0;
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", std::min(gap, 100.0));
  return text;
}

}  // namespace loopcut
