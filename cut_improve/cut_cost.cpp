#include <numeric>

#include "cut_improve/cut_improve.hpp"

namespace loopcut {

double cut_cost(const StarModel& model, const Kept& kept) {
  double cost = 0.0;
  for (std::size_t s = 0; s < model.stars.size(); ++s) {
    if (!kept[s]) cost += static_cast<double>(model.stars[s].weight);
  }
  return cost;
}

int cut_count(const Kept& kept) {
  int n = 0;
  for (char k : kept) n += k ? 0 : 1;
  return n;
}

// Every kept star's links must join groups that were apart before it.
bool loop_free(const StarModel& model, const Kept& kept) {
  std::vector<int> parent(static_cast<std::size_t>(model.nnode) + 1);
  std::iota(parent.begin(), parent.end(), 0);
  auto find = [&parent](int v) {
    while (parent[v] != v) v = parent[v] = parent[parent[v]];
    return v;
  };
  for (std::size_t s = 0; s < model.stars.size(); ++s) {
    if (!kept[s]) continue;
    const std::vector<int>& nodes = model.stars[s].nodes;
    for (std::size_t k = 1; k < nodes.size(); ++k) {
      const int a = find(nodes[0]);
      const int b = find(nodes[k]);
      if (a == b) return false;
      parent[b] = a;
    }
  }
  return true;
}

}  // namespace loopcut
