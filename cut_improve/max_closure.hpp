#pragma once
#include <vector>

namespace loopcut {

// Items, each with a gain (of either sign), and costs, each paid once when any of the items it
// needs is chosen.
struct ClosureProblem {
  struct Cost {
    double value;            // 0 or more
    std::vector<int> needs;  // items
  };
  int items = 0;
  std::vector<double> gains;
  std::vector<Cost> costs;
};

// The choice of items that holds item `forced` and none before it with the largest gains less
// costs; returns that value and sets `chosen` per item. A minimum cut of the usual network
// (source to the items that gain, items to the costs they touch, costs and losing items to the
// sink). `work` grows by the arcs looked at.
double largest_closure(const ClosureProblem& problem, int forced, std::vector<char>& chosen,
                       long long& work);

}  // namespace loopcut
