#include <algorithm>
#include <numeric>

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
  void run(const Deadline& deadline) {
    fill();
    rebuild_trees();
    std::vector<int> order(by_weight_.rbegin(), by_weight_.rend());
    const std::size_t n = order.size();
    std::size_t since_gain = 0;
    for (std::size_t k = 0; since_gain < n; k = (k + 1) % n, ++since_gain) {
      if ((k & 63) == 0 && deadline.passed()) return;
      const int d = order[k];
      if (!kept_[d]) continue;
      if (try_drop(d)) since_gain = 0;
    }
  }

 private:
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
    }
    chosen.clear();
    double gained = 0.0;
    for (int m : candidates) {
      if (!tfits(part_.nodes[m])) continue;
      tmerge_all(part_.nodes[m]);
      chosen.push_back(m);
      gained += part_.weight[m];
    }
    return gained;
  }

  bool try_drop(int d) {
    const int r = uf_.find(part_.nodes[d][0]);
    std::vector<int>& cands = tree_cut_[r];
    if (cands.empty()) return false;
    std::sort(cands.begin(), cands.end(), [&](int a, int b) { return rank_weight_[a] < rank_weight_[b]; });
    double best = trial(d, cands, chosen_);
    std::sort(cands.begin(), cands.end(), [&](int a, int b) { return rank_ratio_[a] < rank_ratio_[b]; });
    const double by_ratio = trial(d, cands, other_);
    if (by_ratio > best) {
      best = by_ratio;
      chosen_.swap(other_);
    }
    if (!(best > part_.weight[d])) return false;
    kept_[d] = 0;
    for (int m : chosen_) kept_[m] = 1;
    rebuild_trees();
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
};

}  // namespace

void local_search(const Part& part, std::vector<char>& in_part, const Deadline& deadline) {
  if (part.size() == 0) return;
  DropSearch search(part, in_part);
  search.run(deadline);
}

}  // namespace loopcut
