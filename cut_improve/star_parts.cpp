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

// The links of the stars, each centre to each of its marriage nodes; the stars that close a
// loop alone have none and are listed in `looped`.
std::vector<Link> star_links(const StarModel& model, std::vector<int>& looped) {
  std::vector<Link> links;
  for (int s = 0; s < static_cast<int>(model.stars.size()); ++s) {
    const ModelStar& st = model.stars[s];
    if (closes_loop_alone(st)) {
      looped.push_back(s);
      continue;
    }
    for (std::size_t k = 1; k < st.nodes.size(); ++k)
      links.push_back({st.nodes[0], st.nodes[k], s});
  }
  return links;
}

// The blocks of the links, those on cycles tied together through the stars that have links in
// several. Blocks of one link are bridges.
struct TiedBlocks {
  std::vector<int> block;        // of each link
  std::vector<int> block_links;  // the links of each block
  std::vector<int> first_block;  // of each star: its first block on a cycle, -1 for none
  UnionFind tie;

  bool on_cycle(std::size_t link) const { return block_links[block[link]] >= 2; }
  // The tie of the blocks of a star that has a first block.
  int tie_of_star(int star) const { return tie.find(first_block[star]); }
};

TiedBlocks tie_blocks(const StarModel& model, const std::vector<Link>& links) {
  TiedBlocks t;
  t.block = number_blocks(model.nnode, links);
  const int nblock = t.block.empty() ? 0 : *std::max_element(t.block.begin(), t.block.end()) + 1;
  t.block_links.assign(static_cast<std::size_t>(nblock), 0);
  for (int b : t.block) ++t.block_links[b];
  t.tie.reset(nblock);
  t.first_block.assign(model.stars.size(), -1);
  for (std::size_t e = 0; e < links.size(); ++e) {
    if (!t.on_cycle(e)) continue;
    int& f = t.first_block[links[e].star];
    if (f < 0) f = t.block[e];
    t.tie.merge(f, t.block[e]);
  }
  return t;
}

// Each star on a cycle becomes a member of the part of its tie, parts numbered in the order of
// their first star; the others that do not close a loop alone are free. Returns the part of each
// tie; `member_of` is each star's place in its part.
std::vector<int> gather_members(const StarModel& model, const TiedBlocks& tied, Decomposition& d,
                                std::vector<int>& member_of) {
  const int nstar = static_cast<int>(model.stars.size());
  std::vector<int> part_of_root(tied.block_links.size(), -1);
  member_of.assign(static_cast<std::size_t>(nstar), -1);
  for (int s = 0; s < nstar; ++s) {
    if (tied.first_block[s] < 0) {
      if (!closes_loop_alone(model.stars[s])) d.free_stars.push_back(s);
      continue;
    }
    int& p = part_of_root[tied.tie_of_star(s)];
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
  return part_of_root;
}

// Local node numbers, part by part (a node where blocks meet can lie in several parts), and
// each member's centre followed by its links on cycles.
void number_part_nodes(int nnode, const std::vector<Link>& links, const TiedBlocks& tied,
                       const std::vector<int>& part_of_root, const std::vector<int>& member_of,
                       std::vector<Part>& parts) {
  std::vector<std::vector<int>> part_links(parts.size());
  for (std::size_t e = 0; e < links.size(); ++e) {
    if (!tied.on_cycle(e)) continue;
    part_links[part_of_root[tied.tie_of_star(links[e].star)]].push_back(static_cast<int>(e));
  }
  std::vector<int> local(static_cast<std::size_t>(nnode) + 1, -1);
  std::vector<int> local_part(static_cast<std::size_t>(nnode) + 1, -1);
  for (std::size_t p = 0; p < parts.size(); ++p) {
    Part& part = parts[p];
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
  const std::vector<Link> links = star_links(model, d.looped_stars);
  const TiedBlocks tied = tie_blocks(model, links);
  std::vector<int> member_of;
  const std::vector<int> part_of_root = gather_members(model, tied, d, member_of);
  number_part_nodes(model.nnode, links, tied, part_of_root, member_of, d.parts);
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
