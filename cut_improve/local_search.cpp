#include <algorithm>
#include <numeric>
#include <random>

#include "cut_improve/cut_improve.hpp"
#include "cut_improve/union_find.hpp"

namespace loopcut {

// The kept members form a forest of links over the part's nodes; one tree of it is a group of
// the union-find. Dropping a kept member d splits only d's tree, so only the cut members that
// touch that tree can fit after the drop (the others did not fit before for other reasons, or
// fit already: the selection is kept maximal). The trial after the drop holds its own groups:
// a node of d's tree starts alone, any other node in its tree's group, both read lazily from
// the selection's union-find, so a trial costs only the members of that tree.

namespace {

class DropSearch {
 public:
  DropSearch(const Part& part, std::vector<char>& kept) : part_(part), kept_(kept) {
    const int n = part.size();
    by_weight_.resize(static_cast<std::size_t>(n));
    std::iota(by_weight_.begin(), by_weight_.end(), 0);
    std::stable_sort(by_weight_.begin(), by_weight_.end(), [&](int a, int b) {
      if (part.weight[a] != part.weight[b]) return part.weight[a] > part.weight[b];
      return part.nodes[a].size() < part.nodes[b].size();
    });
    by_ratio_ = by_weight_;
    std::stable_sort(by_ratio_.begin(), by_ratio_.end(), [&](int a, int b) {
      return part.weight[a] / static_cast<double>(part.nodes[a].size() - 1) >
             part.weight[b] / static_cast<double>(part.nodes[b].size() - 1);
    });
    rank_weight_.resize(static_cast<std::size_t>(n));
    rank_ratio_.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k) {
      rank_weight_[by_weight_[k]] = k;
      rank_ratio_[by_ratio_[k]] = k;
    }
    tparent_.assign(static_cast<std::size_t>(part.nnode), 0);
    tversion_.assign(static_cast<std::size_t>(part.nnode), 0);
    tstamp_.assign(static_cast<std::size_t>(part.nnode), 0);
    for (const std::vector<int>& nodes : part.nodes)
      total_nodes_ += static_cast<long long>(nodes.size());
  }

  // Adds every cut member that fits, heaviest first; then the selection is maximal.
  void fill() {
    rebuild();
    for (int m : by_weight_) {
      if (kept_[m] || !uf_.distinct(part_.nodes[m])) continue;
      kept_[m] = 1;
      uf_.merge_all(part_.nodes[m]);
    }
  }

  // Drops kept members one at a time, cheapest first, for the members that then fit, until a
  // whole round finds no gain or the time is up.
  void run(Budget& budget) {
    fill();
    budget.spend(whole_pass());
    rebuild_trees();
    std::vector<int> order(by_weight_.rbegin(), by_weight_.rend());
    drop_round(order, budget);
  }

  // Kicks the selection out of its local best and searches again, many times over: a random cut
  // member is forced in, the kept members that then close a loop (met in random order) go, the
  // members that fit come in, and the drops run on the trees that changed. A result that keeps
  // no less replaces the current selection; the best one seen is the answer. Stops early when
  // the best keeps `enough`.
  void kick_and_search(Budget& budget, unsigned seed, double enough) {
    run(budget);
    std::mt19937 rng(seed);
    std::vector<char> current = kept_, best = kept_;
    double current_weight = kept_weight(part_, kept_), best_weight = current_weight;
    while (!budget.spent() && best_weight < enough) {
      std::vector<int> cut;
      for (int m = 0; m < part_.size(); ++m) {
        if (!kept_[m]) cut.push_back(m);
      }
      if (cut.empty()) break;
      budget.spend(part_.size());
      for (int tries = 0; tries < 16 && !budget.spent() && best_weight < enough; ++tries) {
        const int c = cut[std::uniform_int_distribution<std::size_t>(0, cut.size() - 1)(rng)];
        if (kept_[c]) continue;
        drop_round(kick(c, rng, budget), budget);
        const double w = kept_weight(part_, kept_);
        if (w >= current_weight) {
          current = kept_;
          current_weight = w;
          if (w > best_weight) {
            best = kept_;
            best_weight = w;
          }
        } else {
          kept_ = current;
          rebuild_trees();
          budget.spend(whole_pass());
        }
      }
    }
    kept_ = best;
  }

 private:
  // Tries to drop each member of the queue (kept members, in order) until no drop gains; a
  // gain queues the kept members of the tree it changed.
  void drop_round(std::vector<int> queue, Budget& budget) {
    std::vector<char> queued(static_cast<std::size_t>(part_.size()), 0);
    for (int m : queue) queued[m] = 1;
    for (std::size_t k = 0; k < queue.size(); ++k) {
      if (budget.spent()) return;
      const int d = queue[k];
      queued[d] = 0;
      if (!kept_[d] || !try_drop(d, budget)) continue;
      const int r = uf_.find(part_.nodes[chosen_.front()][0]);
      for (int m : tree_kept_[r]) {
        if (!queued[m]) {
          queued[m] = 1;
          queue.push_back(m);
        }
      }
    }
  }

  // Forces c in (see kick_and_search); returns the kept members of the trees that changed.
  std::vector<int> kick(int c, std::mt19937& rng, Budget& budget) {
    budget.spend(2 * whole_pass());
    std::vector<int> kept_list;
    for (int m = 0; m < part_.size(); ++m) {
      if (kept_[m]) kept_list.push_back(m);
    }
    std::shuffle(kept_list.begin(), kept_list.end(), rng);
    uf_.reset(part_.nnode);
    kept_[c] = 1;
    uf_.merge_all(part_.nodes[c]);
    std::vector<int> touched{c};
    for (int m : kept_list) {
      if (uf_.distinct(part_.nodes[m])) {
        uf_.merge_all(part_.nodes[m]);
      } else {
        kept_[m] = 0;
        touched.push_back(m);
      }
    }
    std::vector<char> dropped(static_cast<std::size_t>(part_.size()), 0);
    for (std::size_t k = 1; k < touched.size(); ++k) dropped[touched[k]] = 1;
    for (int m : by_weight_) {
      if (kept_[m] || dropped[m] || !uf_.distinct(part_.nodes[m])) continue;
      kept_[m] = 1;
      uf_.merge_all(part_.nodes[m]);
      touched.push_back(m);
    }
    rebuild_trees();
    std::vector<char> seen_root(static_cast<std::size_t>(part_.nnode), 0);
    std::vector<int> queue;
    for (int t : touched) {
      for (int v : part_.nodes[t]) {
        const int r = uf_.find(v);
        if (seen_root[r]) continue;
        seen_root[r] = 1;
        queue.insert(queue.end(), tree_kept_[r].begin(), tree_kept_[r].end());
      }
    }
    std::sort(queue.begin(), queue.end(),
              [&](int a, int b) { return rank_weight_[a] > rank_weight_[b]; });
    return queue;
  }

  // The work of one pass over every member's nodes.
  long long whole_pass() const { return part_.size() + total_nodes_; }

  void rebuild() {
    uf_.reset(part_.nnode);
    for (int m = 0; m < part_.size(); ++m) {
      if (kept_[m]) uf_.merge_all(part_.nodes[m]);
    }
  }

  // Per tree (by its root): its kept members, and the cut members that touch it.
  void rebuild_trees() {
    rebuild();
    tree_kept_.assign(static_cast<std::size_t>(part_.nnode), {});
    tree_cut_.assign(static_cast<std::size_t>(part_.nnode), {});
    for (int m = 0; m < part_.size(); ++m) {
      if (kept_[m]) {
        tree_kept_[uf_.find(part_.nodes[m][0])].push_back(m);
        continue;
      }
      int last = -1;
      for (int v : part_.nodes[m]) {
        const int r = uf_.find(v);
        if (r == last) continue;
        std::vector<int>& list = tree_cut_[r];
        if (list.empty() || list.back() != m) list.push_back(m);
        last = r;
      }
    }
  }

  // ---- The trial's groups.

  int tfind(int v) {
    if (tversion_[v] != version_) {
      tversion_[v] = version_;
      const int r = uf_.find(v);
      tparent_[v] = r == tree_ ? v : r;
      if (r != tree_ && tversion_[r] != version_) {
        tversion_[r] = version_;
        tparent_[r] = r;
      }
    }
    while (tparent_[v] != v) {
      ++trial_work_;  // every link followed is work: on a large tree the chains grow long
      const int p = tparent_[v];
      if (tversion_[p] != version_) {
        tversion_[p] = version_;
        tparent_[p] = p;  // p is a root of the selection outside the tree, or in it
      }
      tparent_[v] = tparent_[p];
      v = p;
    }
    return v;
  }

  bool tfits(const std::vector<int>& nodes) {
    ++stamp_;
    for (int v : nodes) {
      const int r = tfind(v);
      if (tstamp_[r] == stamp_) return false;
      tstamp_[r] = stamp_;
    }
    return true;
  }

  void tmerge_all(const std::vector<int>& nodes) {
    const int a = tfind(nodes[0]);
    for (std::size_t k = 1; k < nodes.size(); ++k) {
      const int b = tfind(nodes[k]);
      if (b != a) tparent_[b] = a;
    }
  }

  // Drop d, then add the candidates that fit in the given order; returns their weight and
  // leaves them in `chosen`.
  double trial(int d, const std::vector<int>& candidates, std::vector<int>& chosen) {
    ++version_;
    tree_ = uf_.find(part_.nodes[d][0]);
    for (int m : tree_kept_[tree_]) {
      if (m != d) tmerge_all(part_.nodes[m]);
      trial_work_ += static_cast<long long>(part_.nodes[m].size());
    }
    chosen.clear();
    double gained = 0.0;
    for (int m : candidates) {
      trial_work_ += static_cast<long long>(part_.nodes[m].size());
      if (!tfits(part_.nodes[m])) continue;
      tmerge_all(part_.nodes[m]);
      chosen.push_back(m);
      gained += part_.weight[m];
    }
    return gained;
  }

  bool try_drop(int d, Budget& budget) {
    const int r = uf_.find(part_.nodes[d][0]);
    std::vector<int>& cands = tree_cut_[r];
    if (cands.empty()) {
      budget.spend(1);
      return false;
    }
    std::sort(cands.begin(), cands.end(),
              [&](int a, int b) { return rank_weight_[a] < rank_weight_[b]; });
    double best = trial(d, cands, chosen_);
    std::sort(cands.begin(), cands.end(),
              [&](int a, int b) { return rank_ratio_[a] < rank_ratio_[b]; });
    const double by_ratio = trial(d, cands, other_);
    // Each node looked at and each link followed from it costs a step; sorting the candidates
    // a few steps each.
    budget.spend(trial_work_ + 2 * static_cast<long long>(cands.size()));
    trial_work_ = 0;
    if (by_ratio > best) {
      best = by_ratio;
      chosen_.swap(other_);
    }
    if (!(best > part_.weight[d])) return false;
    kept_[d] = 0;
    for (int m : chosen_) kept_[m] = 1;
    rebuild_trees();
    budget.spend(whole_pass());
    return true;
  }

  const Part& part_;
  std::vector<char>& kept_;
  std::vector<int> by_weight_, by_ratio_, rank_weight_, rank_ratio_;
  UnionFind uf_;
  std::vector<std::vector<int>> tree_kept_, tree_cut_;
  std::vector<int> tparent_, chosen_, other_;
  std::vector<unsigned> tversion_, tstamp_;
  unsigned version_ = 0, stamp_ = 0;
  int tree_ = -1;
  long long total_nodes_ = 0;
  long long trial_work_ = 0;  // nodes looked at and links followed by the trials since the count
};

}  // namespace

void local_search(const Part& part, std::vector<char>& in_part, Budget& budget) {
  if (part.size() == 0) return;
  DropSearch search(part, in_part);
  search.run(budget);
}

void kick_search(const Part& part, std::vector<char>& in_part, Budget& budget, unsigned seed,
                 double enough) {
  if (part.size() == 0) return;
  DropSearch search(part, in_part);
  search.kick_and_search(budget, seed, enough);
}

}  // namespace loopcut
