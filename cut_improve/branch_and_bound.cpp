#include <algorithm>
#include <cmath>

#include "cut_improve/cut_improve.hpp"
#include "cut_improve/union_find.hpp"

namespace loopcut {

// Depth-first over the members, each kept or cut, the heaviest open member first and kept
// first. At every search node:
// - an open member that no longer fits beside the kept ones is cut;
// - links that hang off the rest (peeled from the leaves of the graph of the open members'
//   links between the kept groups) lie on no cycle, and a member left with no other links is
//   kept at no risk;
// - the bound: what is kept, plus the heaviest forest of the remaining links when each open
//   member's weight is shared evenly among them. Every loop-free selection keeps a forest of
//   those links, and each of its members brings exactly its shares, so no selection below the
//   node keeps more. When that forest takes every remaining link, all open members fit together
//   and the bound is reached.

namespace {

struct Arc {
  double share;
  int member, u, v;  // u, v: groups of the kept members
};

class Branch {
 public:
  Branch(const Part& part, std::vector<char>& best, Budget& budget,
         const std::vector<signed char>& fixed)
      : part_(part), best_sel_(best), budget_(budget), uf_(part.nnode) {
    state_.assign(static_cast<std::size_t>(part.size()), OPEN);
    // Members settled by the bound: the kept ones must fit together, or nothing beats the
    // incumbent.
    for (int m = 0; m < part.size(); ++m) {
      if (fixed[m] == CUT) state_[m] = CUT;
      if (fixed[m] != KEPT) continue;
      if (!uf_.distinct(part.nodes[m])) settled_ = true;
      state_[m] = KEPT;
      uf_.merge_all(part.nodes[m]);
      fixed_kept_ += part.weight[m];
    }
    best_ = kept_weight(part, best);
    degree_.assign(static_cast<std::size_t>(part.nnode), 0);
    live_.assign(static_cast<std::size_t>(part.size()), 0);
    sparent_.assign(static_cast<std::size_t>(part.nnode), 0);
    sversion_.assign(static_cast<std::size_t>(part.nnode), 0);
  }

  // The bound at the root: what the peeling keeps plus the heaviest forest of shared weights.
  double root_bound() {
    double kept = fixed_kept_;
    collect_arcs();
    peel(kept);
    bool all = false;
    return kept + forest_bound(all);
  }

  // Returns true when the whole tree was searched.
  bool run() {
    if (!settled_) search(fixed_kept_);
    return !stopped_;
  }

 private:
  // Could a selection keeping `total` beat the best one found?
  bool may_beat(double total) const {
    if (part_.unit == 0.0) return total > best_;
    return total + std::fabs(total) * 1e-12 >= best_ + part_.unit;
  }

  void set_state(int m, signed char s) {
    state_[m] = s;
    trail_.push_back(m);
  }

  void undo_states(std::size_t to) {
    while (trail_.size() > to) {
      state_[trail_.back()] = OPEN;
      trail_.pop_back();
    }
  }

  void keep(int m, double& kept) {
    set_state(m, KEPT);
    uf_.merge_all(part_.nodes[m]);
    kept += part_.weight[m];
  }

  // Cuts the open members that no longer fit; fills arcs_ with the links of the others.
  void collect_arcs() {
    arcs_.clear();
    for (int m = 0; m < part_.size(); ++m) {
      if (state_[m] != OPEN) continue;
      if (!uf_.distinct(part_.nodes[m])) {
        set_state(m, CUT);
        continue;
      }
      const std::vector<int>& nodes = part_.nodes[m];
      const int c = uf_.find(nodes[0]);
      for (std::size_t k = 1; k < nodes.size(); ++k)
        arcs_.push_back({0.0, m, c, uf_.find(nodes[k])});
    }
  }

  // Peels the arcs that hang off the rest; keeps the members left without arcs. Returns the
  // weight kept that way.
  double peel(double& kept) {
    for (const Arc& a : arcs_) {
      ++degree_[a.u];
      ++degree_[a.v];
    }
    // Arcs by group, to walk from a leaf group to its last arc.
    std::vector<int>& start = peel_start_;
    std::vector<int>& by_group = peel_list_;
    start.assign(static_cast<std::size_t>(part_.nnode) + 1, 0);
    for (const Arc& a : arcs_) {
      ++start[a.u + 1];
      ++start[a.v + 1];
    }
    for (int g = 0; g < part_.nnode; ++g) start[g + 1] += start[g];
    by_group.assign(static_cast<std::size_t>(start[part_.nnode]), 0);
    std::vector<int> fill(start.begin(), start.end() - 1);
    for (int e = 0; e < static_cast<int>(arcs_.size()); ++e) {
      by_group[fill[arcs_[e].u]++] = e;
      by_group[fill[arcs_[e].v]++] = e;
    }
    peeled_.assign(arcs_.size(), 0);
    std::vector<int> leaves;
    for (const Arc& a : arcs_) {
      if (degree_[a.u] == 1) leaves.push_back(a.u);
      if (degree_[a.v] == 1) leaves.push_back(a.v);
    }
    while (!leaves.empty()) {
      const int g = leaves.back();
      leaves.pop_back();
      if (degree_[g] != 1) continue;
      for (int k = start[g]; k < start[g + 1]; ++k) {
        const int e = by_group[k];
        if (peeled_[e]) continue;
        peeled_[e] = 1;
        const int other = arcs_[e].u == g ? arcs_[e].v : arcs_[e].u;
        --degree_[g];
        if (--degree_[other] == 1) leaves.push_back(other);
        break;
      }
    }
    for (const Arc& a : arcs_) {
      degree_[a.u] = 0;
      degree_[a.v] = 0;
    }
    // Members with no arc left on the rest are kept.
    for (const Arc& a : arcs_) live_[a.member] = 0;
    for (std::size_t e = 0; e < arcs_.size(); ++e) {
      if (!peeled_[e]) ++live_[arcs_[e].member];
    }
    double gained = 0.0;
    std::size_t out = 0;
    for (std::size_t e = 0; e < arcs_.size(); ++e) {
      const int m = arcs_[e].member;
      if (live_[m] == 0) {
        if (state_[m] == OPEN) {
          keep(m, kept);
          gained += part_.weight[m];
        }
        continue;
      }
      if (!peeled_[e]) arcs_[out++] = arcs_[e];
    }
    arcs_.resize(out);
    return gained;
  }

  int sfind(int v) {
    if (sversion_[v] != version_) {
      sversion_[v] = version_;
      sparent_[v] = v;
    }
    while (sparent_[v] != v) {
      const int p = sparent_[v];
      if (sversion_[p] != version_) {
        sversion_[p] = version_;
        sparent_[p] = p;
      }
      sparent_[v] = sparent_[p];
      v = p;
    }
    return v;
  }

  // The heaviest forest of the arcs, each member's weight shared among its arcs; sets `all`
  // when the forest takes every arc.
  double forest_bound(bool& all) {
    for (Arc& a : arcs_) a.share = part_.weight[a.member] / live_[a.member];
    std::sort(arcs_.begin(), arcs_.end(), [](const Arc& a, const Arc& b) {
      if (a.share != b.share) return a.share > b.share;
      return a.member < b.member;
    });
    ++version_;
    double sum = 0.0;
    all = true;
    for (const Arc& a : arcs_) {
      const int ru = sfind(a.u);
      const int rv = sfind(a.v);
      if (ru == rv) {
        all = false;
        continue;
      }
      sparent_[ru] = rv;
      sum += a.share;
    }
    return sum;
  }

  void record(double total) {
    best_ = total;
    for (int m = 0; m < part_.size(); ++m) best_sel_[m] = state_[m] == KEPT ? 1 : 0;
  }

  void search(double kept) {
    if (stopped_ || !budget_.spend(part_.size() + 12 * static_cast<long long>(arcs_.size()))) {
      stopped_ = true;
      return;
    }
    const std::size_t trail_mark = trail_.size();
    const std::size_t uf_mark = uf_.mark();
    collect_arcs();
    peel(kept);
    bool all = false;
    const double bound = kept + forest_bound(all);
    if (all) {
      // Every open member fits beside the others: keep them all.
      if (may_beat(bound)) {
        for (const Arc& a : arcs_) {
          if (state_[a.member] == OPEN) keep(a.member, kept);
        }
        record(kept);
      }
    } else if (may_beat(bound)) {
      const int m = next_member();
      set_state(m, KEPT);
      const std::size_t mark = uf_.mark();
      uf_.merge_all(part_.nodes[m]);
      search(kept + part_.weight[m]);
      uf_.undo(mark);
      state_[m] = CUT;
      search(kept);
    }
    uf_.undo(uf_mark);
    undo_states(trail_mark);
  }

  // The open member to branch on: the heaviest, the one with more arcs on a tie.
  int next_member() const {
    int best = -1;
    for (const Arc& a : arcs_) {
      const int m = a.member;
      if (best < 0 || part_.weight[m] > part_.weight[best] ||
          (part_.weight[m] == part_.weight[best] && live_[m] > live_[best]))
        best = m;
    }
    return best;
  }

  const Part& part_;
  std::vector<char>& best_sel_;
  Budget& budget_;
  UnionFind uf_;
  double best_ = 0.0;
  std::vector<signed char> state_;
  std::vector<int> trail_;
  std::vector<Arc> arcs_;
  std::vector<int> degree_, live_, peel_start_, peel_list_;
  std::vector<char> peeled_;
  std::vector<int> sparent_;
  std::vector<unsigned> sversion_;
  unsigned version_ = 0;
  bool stopped_ = false;
  bool settled_ = false;  // the settled members close a loop
  double fixed_kept_ = 0.0;
};

}  // namespace

double shared_forest_bound(const Part& part) {
  if (part.size() == 0) return 0.0;
  std::vector<char> none(static_cast<std::size_t>(part.size()), 0);
  WallClock clock(-1);
  Budget budget(0, clock);
  Branch branch(part, none, budget,
                std::vector<signed char>(static_cast<std::size_t>(part.size()), OPEN));
  const double bound = branch.root_bound();
  // The shares are sums that may round: a margin far above their rounding.
  double size = 0.0;
  for (double w : part.weight) size += std::fabs(w);
  return bound + size * 1e-9 + 1e-9;
}

bool branch_and_bound(const Part& part, std::vector<char>& in_part, Budget& budget,
                      const std::vector<signed char>& fixed) {
  if (part.size() == 0) return true;
  Branch branch(part, in_part, budget, fixed);
  return branch.run();
}

}  // namespace loopcut
