#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <utility>

#include "cut_improve/cut_improve.hpp"
#include "cut_improve/union_find.hpp"

namespace loopcut {

// A selection closes a loop exactly when its links hold a cycle of the loop graph, and every
// cycle lies inside one biconnected block of the graph of all links. So a link that is a block
// of its own (a bridge) never matters, and stars that share no block never constrain each
// other: the blocks, joined through the stars that have links in several, divide the pedigree
// into parts that are searched one by one.

namespace {

struct Link {
  int u, v, star;
};

// A star that joins a node to itself, or one node twice, closes a loop alone.
bool closes_loop_alone(const ModelStar& s) {
  std::set<int> seen;
  for (int v : s.nodes) {
    if (!seen.insert(v).second) return true;
  }
  return false;
}

// Numbers the biconnected blocks of the graph of the links; returns block[link]. An iterative
// depth-first search keeps the links on a stack and pops one block each time a subtree cannot
// reach above its root.
std::vector<int> number_blocks(int nnode, const std::vector<Link>& links) {
  const int nl = static_cast<int>(links.size());
  std::vector<std::vector<std::pair<int, int>>> adj(static_cast<std::size_t>(nnode) + 1);
  for (int e = 0; e < nl; ++e) {
    adj[links[e].u].push_back({links[e].v, e});
    adj[links[e].v].push_back({links[e].u, e});
  }
  std::vector<int> disc(adj.size(), 0), low(adj.size(), 0), up_link(adj.size(), -1);
  std::vector<std::size_t> next(adj.size(), 0);
  std::vector<int> block(static_cast<std::size_t>(nl), -1), link_stack, path;
  int time = 0, nblock = 0;
  for (int root = 1; root <= nnode; ++root) {
    if (disc[root] != 0 || adj[root].empty()) continue;
    disc[root] = low[root] = ++time;
    path.push_back(root);
    while (!path.empty()) {
      const int v = path.back();
      if (next[v] < adj[v].size()) {
        const auto [to, e] = adj[v][next[v]++];
        if (e == up_link[v]) continue;
        if (disc[to] == 0) {
          link_stack.push_back(e);
          up_link[to] = e;
          disc[to] = low[to] = ++time;
          path.push_back(to);
        } else if (disc[to] < disc[v]) {
          link_stack.push_back(e);
          low[v] = std::min(low[v], disc[to]);
        }
        continue;
      }
      path.pop_back();
      if (path.empty()) break;
      const int p = path.back();
      low[p] = std::min(low[p], low[v]);
      if (low[v] >= disc[p]) {
        int e;
        do {
          e = link_stack.back();
          link_stack.pop_back();
          block[e] = nblock;
        } while (e != up_link[v]);
        ++nblock;
      }
    }
  }
  return block;
}

// The largest power of two that divides the weight (0.0 for a zero weight, which any unit
// divides); the weights are finite floats, so this is at least 2^-149.
double binary_unit(double w) {
  if (w == 0.0) return 0.0;
  int e = 0;
  double m = std::frexp(std::fabs(w), &e);
  long long bits = static_cast<long long>(std::ldexp(m, 53));
  int shift = 53;
  while ((bits & 1) == 0) {
    bits >>= 1;
    --shift;
  }
  return std::ldexp(1.0, e - shift);
}

}  // namespace

double exact_unit(const std::vector<double>& weights) {
  double unit = 0.0, total = 0.0;
  for (double w : weights) {
    if (!std::isfinite(w)) return 0.0;
    const double u = binary_unit(w);
    if (u != 0.0 && (unit == 0.0 || u < unit)) unit = u;
    total += std::fabs(w);
  }
  if (unit == 0.0) return 1.0;  // all weights 0.0
  return total < std::ldexp(unit, 52) ? unit : 0.0;
}

Decomposition split_into_parts(const StarModel& model) {
  Decomposition d;
  const int nstar = static_cast<int>(model.stars.size());
  std::vector<Link> links;
  for (int s = 0; s < nstar; ++s) {
    const ModelStar& st = model.stars[s];
    if (closes_loop_alone(st)) {
      d.looped_stars.push_back(s);
      continue;
    }
    for (std::size_t k = 1; k < st.nodes.size(); ++k)
      links.push_back({st.nodes[0], st.nodes[k], s});
  }
  const std::vector<int> block = number_blocks(model.nnode, links);
  const int nblock = block.empty() ? 0 : *std::max_element(block.begin(), block.end()) + 1;
  std::vector<int> block_links(static_cast<std::size_t>(nblock), 0);
  for (int b : block) ++block_links[b];

  // Blocks of one link are bridges. The others are joined through the stars.
  UnionFind tie(nblock);
  std::vector<int> first_block(static_cast<std::size_t>(nstar), -1);
  for (std::size_t e = 0; e < links.size(); ++e) {
    const int b = block[e];
    if (block_links[b] < 2) continue;
    int& f = first_block[links[e].star];
    if (f < 0) f = b;
    tie.merge(f, b);
  }
  std::vector<int> part_of_root(static_cast<std::size_t>(nblock), -1);
  std::vector<int> member_of(static_cast<std::size_t>(nstar), -1);
  for (int s = 0; s < nstar; ++s) {
    if (first_block[s] < 0) {
      if (!closes_loop_alone(model.stars[s])) d.free_stars.push_back(s);
      continue;
    }
    int& p = part_of_root[tie.find(first_block[s])];
    if (p < 0) {
      p = static_cast<int>(d.parts.size());
      d.parts.emplace_back();
    }
    Part& part = d.parts[p];
    member_of[s] = part.size();
    part.star.push_back(s);
    part.weight.push_back(model.stars[s].weight);
    part.nodes.push_back({});
  }
  // Local node numbers, part by part (a node where blocks meet can lie in several parts), and
  // each member's centre followed by its links on cycles.
  std::vector<std::vector<int>> part_links(d.parts.size());
  for (std::size_t e = 0; e < links.size(); ++e) {
    if (block_links[block[e]] < 2) continue;
    part_links[part_of_root[tie.find(first_block[links[e].star])]].push_back(static_cast<int>(e));
  }
  std::vector<int> local(static_cast<std::size_t>(model.nnode) + 1, -1);
  std::vector<int> local_part(static_cast<std::size_t>(model.nnode) + 1, -1);
  for (std::size_t p = 0; p < d.parts.size(); ++p) {
    Part& part = d.parts[p];
    auto local_node = [&](int v) {
      if (local_part[v] != static_cast<int>(p)) {
        local_part[v] = static_cast<int>(p);
        local[v] = part.nnode++;
      }
      return local[v];
    };
    for (int e : part_links[p]) {
      std::vector<int>& nodes = part.nodes[member_of[links[e].star]];
      if (nodes.empty()) nodes.push_back(local_node(links[e].u));
      nodes.push_back(local_node(links[e].v));
    }
  }
  for (Part& part : d.parts) part.unit = exact_unit(part.weight);
  return d;
}

std::vector<char> part_selection(const Part& part, const Kept& kept) {
  std::vector<char> in(static_cast<std::size_t>(part.size()));
  for (int m = 0; m < part.size(); ++m) in[m] = kept[part.star[m]];
  return in;
}

void apply_part_selection(const Part& part, const std::vector<char>& in_part, Kept& kept) {
  for (int m = 0; m < part.size(); ++m) kept[part.star[m]] = in_part[m];
}

double kept_weight(const Part& part, const std::vector<char>& in_part) {
  double sum = 0.0;
  for (int m = 0; m < part.size(); ++m) {
    if (in_part[m]) sum += part.weight[m];
  }
  return sum;
}

}  // namespace loopcut
