#include "ped_prep/pipeline/loops.hpp"

#include <algorithm>

namespace loopcut::prep {

LoopAnalysis analyse_loops(const std::vector<int>& fa, const std::vector<int>& mo,
                           const std::vector<int>& group, int groups) {
  const int n = static_cast<int>(fa.size());
  LoopAnalysis out;
  out.on_loop.assign(n, 0);
  out.loops.assign(groups, 0);
  out.on_loop_count.assign(groups, 0);

  // Family nodes n, n+1, ...; edges as (a, b) pairs. Open-addressed table of the couples met so far: key (father + 1, mother + 1), value the
  // family node.
  std::size_t slots = 16;
  while (slots < static_cast<std::size_t>(n) * 2) slots *= 2;
  std::vector<long long> couple(slots, -1);
  std::vector<int> family_node(slots, 0);
  int families = 0;
  std::vector<int> node_group(group.begin(), group.end());
  std::vector<std::pair<int, int>> edges;
  edges.reserve(static_cast<std::size_t>(n) * 2);
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
      node_group.push_back(group[i]);
      if (fa[i] >= 0) edges.emplace_back(fa[i], f);
      if (mo[i] >= 0) edges.emplace_back(mo[i], f);
    }
    edges.emplace_back(i, f);
  }
  const int nodes = static_cast<int>(node_group.size());
  const int m = static_cast<int>(edges.size());

  // Adjacency in compressed form: for node v, entries start[v] .. start[v+1]-1 of (neighbour, edge).
  std::vector<int> start(nodes + 1, 0);
  for (const auto& [a, b] : edges) {
    ++start[a + 1];
    ++start[b + 1];
  }
  for (int v = 0; v < nodes; ++v) start[v + 1] += start[v];
  std::vector<int> adj_node(2 * static_cast<std::size_t>(m)), adj_edge(2 * static_cast<std::size_t>(m));
  std::vector<int> fill(start.begin(), start.end() - 1);
  for (int e = 0; e < m; ++e) {
    const auto [a, b] = edges[e];
    adj_node[fill[a]] = b;
    adj_edge[fill[a]++] = e;
    adj_node[fill[b]] = a;
    adj_edge[fill[b]++] = e;
  }

  // Nodes and edges per group; components per group by their first node.
  for (int v = 0; v < nodes; ++v) out.loops[node_group[v]] -= 1;
  for (const auto& [a, b] : edges) out.loops[node_group[b]] += 1;  // b is the family node

  // Depth-first search without recursion: discovery order and low points give the bridges; an
  // edge that is no bridge lies on a cycle, and so do both its ends.
  std::vector<int> disc(nodes, 0), low(nodes, 0), parent_edge(nodes, -1), next(nodes, 0);
  std::vector<char> on_cycle_edge(m, 0);
  std::vector<int> stack;
  int time = 0;
  for (int root = 0; root < nodes; ++root) {
    if (disc[root]) continue;
    out.loops[node_group[root]] += 1;
    disc[root] = low[root] = ++time;
    next[root] = start[root];
    stack.push_back(root);
    while (!stack.empty()) {
      const int v = stack.back();
      if (next[v] < start[v + 1]) {
        const int k = next[v]++;
        const int w = adj_node[k], e = adj_edge[k];
        if (e == parent_edge[v]) continue;
        if (!disc[w]) {
          disc[w] = low[w] = ++time;
          parent_edge[w] = e;
          next[w] = start[w];
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
  for (int e = 0; e < m; ++e) {
    if (!on_cycle_edge[e]) continue;
    const auto [a, b] = edges[e];
    if (a < n) out.on_loop[a] = 1;
    if (b < n) out.on_loop[b] = 1;
  }
  for (int i = 0; i < n; ++i)
    if (out.on_loop[i]) ++out.on_loop_count[group[i]];
  return out;
}

}  // namespace loopcut::prep
