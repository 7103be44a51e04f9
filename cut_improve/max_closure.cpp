#include "cut_improve/max_closure.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace loopcut {

namespace {

// Dinic's maximum flow on real capacities.
class Flow {
 public:
  explicit Flow(int n)
      : head_(static_cast<std::size_t>(n), -1), level_(head_.size()), next_(head_.size()) {}

  void arc(int from, int to, double cap) {
    arcs_.push_back({to, head_[from], cap});
    head_[from] = static_cast<int>(arcs_.size()) - 1;
    arcs_.push_back({from, head_[to], 0.0});
    head_[to] = static_cast<int>(arcs_.size()) - 1;
  }

  void run(int s, int t, long long& work) {
    while (levels(s, work) && level_[t] >= 0) {
      for (std::size_t v = 0; v < head_.size(); ++v) next_[v] = head_[v];
      while (push(s, t, std::numeric_limits<double>::infinity(), work) > EPS) {
      }
    }
  }

  // After run(): is v on the source's side of the minimum cut?
  bool reached(int v) const { return level_[v] >= 0; }

 private:
  static constexpr double EPS = 1e-12;
  struct Arc {
    int to, next;
    double cap;
  };

  bool levels(int s, long long& work) {
    std::fill(level_.begin(), level_.end(), -1);
    std::vector<int> queue{s};
    level_[s] = 0;
    for (std::size_t k = 0; k < queue.size(); ++k) {
      const int v = queue[k];
      for (int a = head_[v]; a >= 0; a = arcs_[a].next) {
        ++work;
        if (arcs_[a].cap > EPS && level_[arcs_[a].to] < 0) {
          level_[arcs_[a].to] = level_[v] + 1;
          queue.push_back(arcs_[a].to);
        }
      }
    }
    return true;
  }

  double push(int v, int t, double limit, long long& work) {
    if (v == t) return limit;
    for (int& a = next_[v]; a >= 0; a = arcs_[a].next) {
      ++work;
      Arc& arc = arcs_[a];
      if (arc.cap <= EPS || level_[arc.to] != level_[v] + 1) continue;
      const double pushed = push(arc.to, t, std::min(limit, arc.cap), work);
      if (pushed > EPS) {
        arc.cap -= pushed;
        arcs_[a ^ 1].cap += pushed;
        return pushed;
      }
    }
    return 0.0;
  }

  std::vector<Arc> arcs_;
  std::vector<int> head_, level_, next_;
};

}  // namespace

double largest_closure(const ClosureProblem& problem, int forced, std::vector<char>& chosen,
                       long long& work) {
  const int n = problem.items;
  const int s = n + static_cast<int>(problem.costs.size());
  const int t = s + 1;
  double big = 1.0;
  for (double g : problem.gains) big += std::fabs(g);
  for (const auto& c : problem.costs) big += c.value;
  Flow flow(t + 1);
  for (int i = 0; i < n; ++i) {
    const double g = problem.gains[i];
    if (i < forced) {
      flow.arc(i, t, big);
    } else if (i == forced) {
      flow.arc(s, i, big);
    }
    if (g > 0) flow.arc(s, i, g);
    if (g < 0) flow.arc(i, t, -g);
  }
  for (std::size_t c = 0; c < problem.costs.size(); ++c) {
    const int node = n + static_cast<int>(c);
    flow.arc(node, t, problem.costs[c].value);
    for (int i : problem.costs[c].needs) flow.arc(i, node, big);
  }
  flow.run(s, t, work);
  chosen.assign(static_cast<std::size_t>(n), 0);
  double value = 0.0;
  for (int i = 0; i < n; ++i) {
    if (flow.reached(i)) {
      chosen[i] = 1;
      value += problem.gains[i];
    }
  }
  for (const auto& c : problem.costs) {
    for (int i : c.needs) {
      if (chosen[i]) {
        value -= c.value;
        break;
      }
    }
  }
  return value;
}

}  // namespace loopcut
