// The loops of a pedigree: the cyclomatic number of its graph of individuals and families, and
// the individuals on a cycle of it.
#include "ped_prep/pipeline/loops.hpp"

#include <algorithm>
#include <utility>

namespace loopcut::prep {

namespace {

// The graph: nodes 0 .. n-1 are the individuals, family nodes n, n+1, ... follow; edges as
// (a, b) pairs, b the family node.
struct LoopGraph {
  std::vector<int> node_group;
  std::vector<std::pair<int, int>> edges;
};

// One family node per distinct couple, found through an open-addressed table of the couples met
// so far: key (father + 1, mother + 1), value the family node.
LoopGraph build_graph(const std::vector<int>& fa, const std::vector<int>& mo,
                      const std::vector<int>& group) {
  const int n = static_cast<int>(fa.size());
  std::size_t slots = 16;
  while (slots < static_cast<std::size_t>(n) * 2) slots *= 2;
  std::vector<long long> couple(slots, -1);
  std::vector<int> family_node(slots, 0);
  int families = 0;
  LoopGraph g;
  g.node_group.assign(group.begin(), group.end());
  g.edges.reserve(static_cast<std::size_t>(n) * 2);
  for (int i = 0; i < n; ++i) {
    if (fa[i] < 0 && mo[i] < 0) continue;
    const long long k = (static_cast<long long>(fa[i]) + 1) * (static_cast<long long>(n) + 1) +
                        (mo[i] + 1);
    const unsigned long long h = static_cast<unsigned long long>(k) * 0x9e3779b97f4a7c15ULL;
    std::size_t s = static_cast<std::size_t>(h >> 20) & (slots - 1);
    while (couple[s] >= 0 && couple[s] != k) s = (s + 1) & (slots - 1);
    const bool fresh = couple[s] < 0;
    if (fresh) {
      couple[s] = k;
      family_node[s] = n + families++;
    }
    const int f = family_node[s];
    if (fresh) {
      g.node_group.push_back(group[i]);
      if (fa[i] >= 0) g.edges.emplace_back(fa[i], f);
      if (mo[i] >= 0) g.edges.emplace_back(mo[i], f);
    }
    g.edges.emplace_back(i, f);
  }
  return g;
}

// Adjacency in compressed form: for node v, entries start[v] .. start[v+1]-1 of (neighbour, edge).
struct Adjacency {
  std::vector<int> start, node, edge;
};

Adjacency adjacency(const LoopGraph& g) {
  const int nodes = static_cast<int>(g.node_group.size());
  const int m = static_cast<int>(g.edges.size());
  Adjacency adj;
  adj.start.assign(nodes + 1, 0);
  for (const auto& [a, b] : g.edges) {
    ++adj.start[a + 1];
    ++adj.start[b + 1];
  }
  for (int v = 0; v < nodes; ++v) adj.start[v + 1] += adj.start[v];
  adj.node.resize(2 * static_cast<std::size_t>(m));
  adj.edge.resize(2 * static_cast<std::size_t>(m));
  std::vector<int> fill(adj.start.begin(), adj.start.end() - 1);
  for (int e = 0; e < m; ++e) {
    const auto [a, b] = g.edges[e];
    adj.node[fill[a]] = b;
    adj.edge[fill[a]++] = e;
    adj.node[fill[b]] = a;
    adj.edge[fill[b]++] = e;
  }
  return adj;
}

// Depth-first search without recursion: discovery order and low points give the bridges; an
// edge that is no bridge lies on a cycle. Adds one to the loops of a group per component.
std::vector<char> cycle_edges(const LoopGraph& g, const Adjacency& adj, LoopAnalysis& out) {
  const int nodes = static_cast<int>(g.node_group.size());
  std::vector<int> disc(nodes, 0), low(nodes, 0), parent_edge(nodes, -1), next(nodes, 0);
  std::vector<char> on_cycle_edge(g.edges.size(), 0);
  std::vector<int> stack;
  int time = 0;
  for (int root = 0; root < nodes; ++root) {
    if (disc[root]) continue;
    out.loops[g.node_group[root]] += 1;
    disc[root] = low[root] = ++time;
    next[root] = adj.start[root];
    stack.push_back(root);
    while (!stack.empty()) {
      const int v = stack.back();
      if (next[v] < adj.start[v + 1]) {
        const int k = next[v]++;
        const int w = adj.node[k], e = adj.edge[k];
        if (e == parent_edge[v]) continue;
        if (!disc[w]) {
          disc[w] = low[w] = ++time;
          parent_edge[w] = e;
          next[w] = adj.start[w];
          stack.push_back(w);
        } else {
          low[v] = std::min(low[v], disc[w]);
          on_cycle_edge[e] = 1;  // an edge back to an earlier node closes a cycle
        }
        continue;
      }
      stack.pop_back();
      if (!stack.empty()) {
        const int u = stack.back();
        low[u] = std::min(low[u], low[v]);
        if (low[v] <= disc[u]) on_cycle_edge[parent_edge[v]] = 1;  // not a bridge
      }
    }
  }
  return on_cycle_edge;
}

}  // namespace

LoopAnalysis analyse_loops(const std::vector<int>& fa, const std::vector<int>& mo,
                           const std::vector<int>& group, int groups) {
  const int n = static_cast<int>(fa.size());
  LoopAnalysis out;
  out.on_loop.assign(n, 0);
  out.loops.assign(groups, 0);
  out.on_loop_count.assign(groups, 0);
  const LoopGraph g = build_graph(fa, mo, group);
  // Edges - nodes + components per group.
  for (int group_of_node : g.node_group) out.loops[group_of_node] -= 1;
  for (const auto& [a, b] : g.edges) out.loops[g.node_group[b]] += 1;  // b is the family node
  const std::vector<char> on_cycle_edge = cycle_edges(g, adjacency(g), out);
  // Both ends of an edge on a cycle lie on it.
  for (std::size_t e = 0; e < g.edges.size(); ++e) {
    if (!on_cycle_edge[e]) continue;
    const auto [a, b] = g.edges[e];
    if (a < n) out.on_loop[a] = 1;
    if (b < n) out.on_loop[b] = 1;
  }
  for (int i = 0; i < n; ++i)
    if (out.on_loop[i]) ++out.on_loop_count[group[i]];
  return out;
}

}  // namespace loopcut::prep
