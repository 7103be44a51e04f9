#include <algorithm>
#include <limits>
#include <queue>
#include <set>

#include "cut_improve/cut_improve.hpp"
#include "cut_improve/max_closure.hpp"
#include "cut_improve/union_find.hpp"

namespace loopcut {

// A point x of the relaxation violates the inequality of a set S of nodes when the members put
// more than |S| - 1 links inside S. Three searches, cheapest first:
// - the members kept whole (x = 1) join their nodes into groups; one that joins a group to
//   itself closes a loop at once;
// - with the groups as nodes, a cycle through the other members whose x add up to more than the
//   cycle's length less one (a shortest path where passing a member costs 1 - x);
// - an exact search over each connected piece: the set of greatest violation that holds a given
//   group, for each group in turn, as a largest closure (a minimum cut).
// Each set found is checked on x itself before it is returned.

namespace {

constexpr double WHOLE = 1.0 - 1e-9;  // a member counted as kept whole
constexpr double NONE = 1e-9;         // a member counted as not kept
constexpr double MARGIN = 1e-6;       // a violation that counts

// Node -> the members that have it.
std::vector<std::vector<int>> members_at(const Part& part) {
  std::vector<std::vector<int>> at(static_cast<std::size_t>(part.nnode));
  for (int m = 0; m < part.size(); ++m) {
    for (int v : part.nodes[m]) at[v].push_back(m);
  }
  return at;
}

double violation(const std::vector<std::vector<int>>& at,
                 const std::vector<double>& x, const NodeSet& set, std::vector<int>& count) {
  double lhs = 0.0;
  std::vector<int> touched;
  for (int v : set) {
    for (int m : at[v]) {
      if (count[m]++ == 0) touched.push_back(m);
    }
  }
  for (int m : touched) {
    if (count[m] >= 2) lhs += x[m] * (count[m] - 1);
    count[m] = 0;
  }
  return lhs - (static_cast<double>(set.size()) - 1.0);
}

class Separation {
 public:
  Separation(const Part& part, const std::vector<double>& x, Budget& budget, std::size_t most)
      : part_(part), x_(x), budget_(budget), most_(most), at_(members_at(part)),
        count_(static_cast<std::size_t>(part.size()), 0) {}

  std::vector<NodeSet> run() {
    make_groups();
    pieces_of_support();
    if (found_.size() < most_) short_cycles();
    if (found_.empty()) largest_closures();
    return found_;
  }

 private:
  // Keeps a set when x violates it and it is new.
  void offer(NodeSet set) {
    if (found_.size() >= most_) return;
    std::sort(set.begin(), set.end());
    set.erase(std::unique(set.begin(), set.end()), set.end());
    budget_.spend(static_cast<long long>(set.size()) * 4);
    if (seen_.count(set) != 0) return;
    if (violation(at_, x_, set, count_) <= MARGIN) return;
    seen_.insert(set);
    found_.push_back(std::move(set));
  }

  // The nodes of the given groups.
  NodeSet nodes_of_groups(const std::vector<int>& groups) const {
    NodeSet set;
    for (int g : groups) set.insert(set.end(), group_nodes_[g].begin(), group_nodes_[g].end());
    return set;
  }

  // Groups of the members kept whole; the others with x above nothing become the edges of the
  // contracted graph, each with the groups it has (once per node).
  void make_groups() {
    UnionFind uf(part_.nnode);
    std::vector<char> closes(static_cast<std::size_t>(part_.size()), 0);  // whole, yet closing
    for (int m = 0; m < part_.size(); ++m) {
      if (x_[m] < WHOLE) continue;
      if (uf.distinct(part_.nodes[m])) {
        uf.merge_all(part_.nodes[m]);
      } else {
        closes[m] = 1;
      }
    }
    budget_.spend(part_.size() + part_.nnode);
    group_of_.assign(static_cast<std::size_t>(part_.nnode), -1);
    std::vector<int> root_group(static_cast<std::size_t>(part_.nnode), -1);
    for (int v = 0; v < part_.nnode; ++v) {
      int& g = root_group[uf.find(v)];
      if (g < 0) {
        g = static_cast<int>(group_nodes_.size());
        group_nodes_.emplace_back();
      }
      group_of_[v] = g;
      group_nodes_[g].push_back(v);
    }
    edge_groups_.assign(static_cast<std::size_t>(part_.size()), {});
    groups_edges_.assign(group_nodes_.size(), {});
    for (int m = 0; m < part_.size(); ++m) {
      if (x_[m] <= NONE || (x_[m] >= WHOLE && !closes[m])) continue;
      std::vector<int>& gs = edge_groups_[m];
      for (int v : part_.nodes[m]) gs.push_back(group_of_[v]);
      std::vector<int> distinct = gs;
      std::sort(distinct.begin(), distinct.end());
      distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
      for (int g : distinct) groups_edges_[g].push_back(m);
      edges_.push_back(m);
    }
  }

  // The nodes joined by the members kept in any part, piece by piece: the simplest sets.
  void pieces_of_support() {
    UnionFind uf(part_.nnode);
    for (int m = 0; m < part_.size(); ++m) {
      if (x_[m] > NONE) uf.merge_all(part_.nodes[m]);
    }
    std::vector<NodeSet> pieces(static_cast<std::size_t>(part_.nnode));
    for (int v = 0; v < part_.nnode; ++v) pieces[uf.find(v)].push_back(v);
    budget_.spend(2 * (part_.size() + part_.nnode));
    for (NodeSet& piece : pieces) {
      if (piece.size() > 1) offer(std::move(piece));
    }
  }

  // For each member m kept in part, the shortest ways from its first node to its others without
  // m, where passing a member costs 1 - x (nothing for one kept whole); a way shorter than x[m]
  // closes a violated cycle, and its nodes are the set: only the nodes on the way, so that the
  // inequality holds few members.
  void short_cycles() {
    const std::size_t nn = static_cast<std::size_t>(part_.nnode);
    std::vector<double> dist(nn, std::numeric_limits<double>::infinity());
    std::vector<int> from(nn, -1), reached;
    std::vector<char> is_target(nn, 0);
    using Item = std::pair<double, int>;
    for (int m = 0; m < part_.size(); ++m) {
      if (found_.size() >= most_ || budget_.spent()) return;
      if (x_[m] <= MARGIN) continue;
      const std::vector<int>& nodes = part_.nodes[m];
      const double radius = x_[m] - MARGIN;
      for (std::size_t k = 1; k < nodes.size(); ++k) is_target[nodes[k]] = 1;
      std::priority_queue<Item, std::vector<Item>, std::greater<Item>> heap;
      dist[nodes[0]] = 0.0;
      reached.push_back(nodes[0]);
      heap.push({0.0, nodes[0]});
      int cycles = 0;
      long long steps = 0;
      while (!heap.empty() && cycles < 3) {
        const auto [d, v] = heap.top();
        heap.pop();
        if (d > dist[v]) continue;
        if (is_target[v]) {
          ++cycles;
          NodeSet path{v};
          for (int u = v; u != nodes[0];) {
            u = from[u];
            path.push_back(u);
          }
          offer(std::move(path));
          continue;  // a way on through another node of m would hold this one
        }
        for (int e : at_[v]) {
          ++steps;  // every member looked at, also those passed over
          if (e == m || x_[e] <= NONE) continue;
          const double nd = d + (x_[e] >= WHOLE ? 0.0 : 1.0 - x_[e]);
          if (nd >= radius) continue;
          for (int u : part_.nodes[e]) {
            ++steps;
            if (nd < dist[u]) {
              if (dist[u] == std::numeric_limits<double>::infinity()) reached.push_back(u);
              dist[u] = nd;
              from[u] = v;
              heap.push({nd, u});
            }
          }
        }
      }
      budget_.spend(2 * steps + 1);
      for (std::size_t k = 1; k < nodes.size(); ++k) is_target[nodes[k]] = 0;
      for (int u : reached) {
        dist[u] = std::numeric_limits<double>::infinity();
        from[u] = -1;
      }
      reached.clear();
    }
  }

  // Per connected piece of the contracted graph, for each of its groups in turn: the set of
  // greatest violation that holds it and none of the groups before it.
  void largest_closures() {
    const std::size_t ng = group_nodes_.size();
    std::vector<int> piece(ng, -1);
    std::vector<std::vector<int>> pieces;
    for (std::size_t g0 = 0; g0 < ng; ++g0) {
      if (piece[g0] >= 0 || groups_edges_[g0].empty()) continue;
      const int p = static_cast<int>(pieces.size());
      pieces.push_back({static_cast<int>(g0)});
      piece[g0] = p;
      for (std::size_t k = 0; k < pieces[p].size(); ++k) {
        for (int e : groups_edges_[pieces[p][k]]) {
          for (int h : edge_groups_[e]) {
            if (piece[h] < 0) {
              piece[h] = p;
              pieces[p].push_back(h);
            }
          }
        }
      }
    }
    for (const std::vector<int>& groups : pieces) {
      if (groups.size() < 2) continue;
      closures_of_piece(groups);
      if (found_.size() >= most_ || budget_.spent()) return;
    }
  }

  void closures_of_piece(const std::vector<int>& groups) {
    // Local numbers: groups 0 .. k-1, then the piece's edges.
    std::vector<int> local(group_nodes_.size(), -1);
    for (std::size_t k = 0; k < groups.size(); ++k) local[groups[k]] = static_cast<int>(k);
    std::vector<int> edges;
    for (int g : groups) {
      for (int e : groups_edges_[g]) edges.push_back(e);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    // What a group brings: the x of its edges once per node it has in them, less one.
    std::vector<double> gain(groups.size(), -1.0);
    ClosureProblem problem;
    problem.items = static_cast<int>(groups.size());
    for (int e : edges) {
      std::vector<int> needs;
      for (int h : edge_groups_[e]) {
        gain[local[h]] += x_[e];
        needs.push_back(local[h]);
      }
      std::sort(needs.begin(), needs.end());
      needs.erase(std::unique(needs.begin(), needs.end()), needs.end());
      problem.costs.push_back({x_[e], std::move(needs)});
    }
    problem.gains = gain;
    for (int k = 0; k < problem.items; ++k) {
      if (found_.size() >= most_ || budget_.spent()) return;
      std::vector<char> chosen;
      long long work = 0;
      const double best = largest_closure(problem, k, chosen, work);
      budget_.spend(work);
      // The set's violation is its closure's value plus one.
      if (best + 1.0 > MARGIN) {
        std::vector<int> set_groups;
        for (int j = 0; j < problem.items; ++j) {
          if (chosen[j]) set_groups.push_back(groups[j]);
        }
        offer(nodes_of_groups(set_groups));
      }
    }
  }

  const Part& part_;
  const std::vector<double>& x_;
  Budget& budget_;
  std::size_t most_;
  std::vector<std::vector<int>> at_;
  std::vector<int> count_;
  std::vector<int> group_of_;
  std::vector<std::vector<int>> group_nodes_, edge_groups_, groups_edges_;
  std::vector<int> edges_;
  std::set<NodeSet> seen_;
  std::vector<NodeSet> found_;
};

}  // namespace

double forest_violation(const Part& part, const std::vector<double>& x, const NodeSet& set) {
  std::vector<int> count(static_cast<std::size_t>(part.size()), 0);
  return violation(members_at(part), x, set, count);
}

std::vector<NodeSet> violated_sets(const Part& part, const std::vector<double>& x, Budget& budget,
                                   std::size_t most) {
  Separation separation(part, x, budget, most);
  return separation.run();
}

}  // namespace loopcut
