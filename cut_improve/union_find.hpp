#pragma once
#include <utility>
#include <vector>

namespace loopcut {

// Groups of nodes 0 .. n-1, merged by size and without path compression, so that every change
// can be logged and undone: mark() before a trial, undo(mark) to take it back.
class UnionFind {
 public:
  explicit UnionFind(int n = 0) { reset(n); }

  void reset(int n) {
    parent_.resize(static_cast<std::size_t>(n));
    size_.assign(static_cast<std::size_t>(n), 1);
    for (int v = 0; v < n; ++v) parent_[static_cast<std::size_t>(v)] = v;
    log_.clear();
    stamp_.assign(static_cast<std::size_t>(n), 0);
    mark_ = 0;
  }

  int find(int v) const {
    while (parent_[static_cast<std::size_t>(v)] != v) v = parent_[static_cast<std::size_t>(v)];
    return v;
  }

  // Returns false when a and b are already one group.
  bool merge(int a, int b) {
    int ra = find(a);
    int rb = find(b);
    if (ra == rb) return false;
    if (size_[static_cast<std::size_t>(ra)] < size_[static_cast<std::size_t>(rb)]) std::swap(ra, rb);
    log_.push_back({rb, ra});
    parent_[static_cast<std::size_t>(rb)] = ra;
    size_[static_cast<std::size_t>(ra)] += size_[static_cast<std::size_t>(rb)];
    return true;
  }

  // Do the nodes lie in as many different groups?
  bool distinct(const std::vector<int>& nodes) {
    if (++mark_ == 0) {
      stamp_.assign(parent_.size(), 0);
      mark_ = 1;
    }
    for (int v : nodes) {
      const int r = find(v);
      if (stamp_[static_cast<std::size_t>(r)] == mark_) return false;
      stamp_[static_cast<std::size_t>(r)] = mark_;
    }
    return true;
  }

  // Joins all the nodes into one group.
  void merge_all(const std::vector<int>& nodes) {
    for (std::size_t k = 1; k < nodes.size(); ++k) merge(nodes[0], nodes[k]);
  }

  std::size_t mark() const { return log_.size(); }
  void undo(std::size_t to) {
    while (log_.size() > to) {
      const auto [attached, root] = log_.back();
      log_.pop_back();
      parent_[static_cast<std::size_t>(attached)] = attached;
      size_[static_cast<std::size_t>(root)] -= size_[static_cast<std::size_t>(attached)];
    }
  }

 private:
  std::vector<int> parent_, size_;
  std::vector<std::pair<int, int>> log_;
  std::vector<unsigned> stamp_;  // scratch of distinct(): the root seen under the current mark
  unsigned mark_ = 0;
};

}  // namespace loopcut
