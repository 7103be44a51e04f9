// Turns a checked input into the records of the chain's pedigree file.
#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

#include "ped_prep/pipeline/labels.hpp"
#include "ped_prep/pipeline/prepare.hpp"

namespace loopcut::prep {

namespace {

struct UnionFind {
  explicit UnionFind(int n) : up(static_cast<std::size_t>(n)) {
    std::iota(up.begin(), up.end(), 0);
  }
  int find(int x) {
    while (up[x] != x) {
      up[x] = up[up[x]];
      x = up[x];
    }
    return x;
  }
  void join(int a, int b) {
    a = find(a);
    b = find(b);
    if (a != b) up[std::max(a, b)] = std::min(a, b);
  }
  std::vector<int> up;
};

// An added parent: the unknown mate of `known` in the role `sex` (1 father, 2 mother).
struct Stand_in {
  int known;
  int sex;
};

}  // namespace

int connected_groups(const PedigreeInput& in, const Parents& par, std::vector<int>& group) {
  const int n = static_cast<int>(in.people.size());
  UnionFind uf(n);
  for (int i = 0; i < n; ++i) {
    if (par.father[i] >= 0) uf.join(i, par.father[i]);
    if (par.mother[i] >= 0) uf.join(i, par.mother[i]);
  }
  // The root of a group is its smallest member, so groups numbered by their roots in order come
  // out in the order of their first person.
  group.assign(n, -1);
  std::vector<int> number(n, -1);
  int groups = 0;
  for (int i = 0; i < n; ++i) {
    const int r = uf.find(i);
    if (number[r] < 0) number[r] = groups++;
    group[i] = number[r];
  }
  return groups;
}

namespace {

// The parents of every node of the chain: the people 0 .. n-1 with their parents, then the
// stand-ins for unknown parents.
struct Nodes {
  std::vector<int> father, mother;
  std::vector<Stand_in> stand_ins;
  std::vector<char> is_mother;  // per person: a mother of someone
};

// A record with one known parent gets a stand-in for the other, one per known parent and role
// (unless the records are kept as they are).
Nodes add_stand_ins(int n, const Parents& par, const PrepareOptions& options, Prepared& out) {
  Nodes nodes{par.father, par.mother, {}, std::vector<char>(n, 0)};
  std::vector<int>& father = nodes.father;
  std::vector<int>& mother = nodes.mother;
  std::unordered_map<long long, int> stand_in_of;  // known * 4 + role sex -> node
  for (int i = 0; i < n; ++i) {
    if (mother[i] >= 0) nodes.is_mother[mother[i]] = 1;
    if ((father[i] >= 0) != (mother[i] >= 0)) ++out.one_parent_records;
  }
  if (options.keep_one_parent) return nodes;
  for (int i = 0; i < n; ++i) {
    if ((father[i] >= 0) == (mother[i] >= 0)) continue;
    const int known = father[i] >= 0 ? father[i] : mother[i];
    const int role = father[i] >= 0 ? 2 : 1;  // the sex of the missing parent
    const long long k = static_cast<long long>(known) * 4 + role;
    auto [it, fresh] = stand_in_of.emplace(k, n + static_cast<int>(nodes.stand_ins.size()));
    if (fresh) nodes.stand_ins.push_back({known, role});
    (role == 1 ? father[i] : mother[i]) = it->second;
  }
  return nodes;
}

// The renumbering: group by group, each individual after its parents, otherwise in input order;
// stand-ins are reached through their children. Gives the nodes in row order and the pedigree
// of each row.
void order_rows(int n, const Nodes& nodes, Prepared& out, std::vector<int>& order,
                std::vector<int>& ped_of_row, std::vector<int>& row_of_node) {
  const int count = n + static_cast<int>(nodes.stand_ins.size());
  auto father_of = [&](int v) { return v < n ? nodes.father[v] : -1; };
  auto mother_of = [&](int v) { return v < n ? nodes.mother[v] : -1; };
  std::vector<std::vector<int>> members(static_cast<std::size_t>(out.all_pedigrees));
  for (int i = 0; i < n; ++i) members[out.pedigree_of[i]].push_back(i);
  row_of_node.assign(count, 0);
  order.reserve(static_cast<std::size_t>(count));
  std::vector<char> expanded(count, 0);
  std::vector<int> stack;
  int ped = 0;
  for (int g = 0; g < out.all_pedigrees; ++g) {
    if (members[g].empty()) continue;
    ++ped;
    for (int start : members[g]) {
      stack.push_back(start);
      while (!stack.empty()) {
        const int v = stack.back();
        if (row_of_node[v]) {
          stack.pop_back();
        } else if (!expanded[v]) {
          expanded[v] = 1;
          const int f = father_of(v), m = mother_of(v);
          if (m >= 0 && !row_of_node[m]) stack.push_back(m);
          if (f >= 0 && !row_of_node[f]) stack.push_back(f);
        } else {
          order.push_back(v);
          ped_of_row.push_back(ped);
          row_of_node[v] = static_cast<int>(order.size());
          stack.pop_back();
        }
      }
    }
  }
  out.pedigrees = ped;
}

// The rows in their order, parents as rows; a parent of unknown sex takes its role's.
void fill_rows(const PedigreeInput& in, const Nodes& nodes, const std::vector<int>& order,
               const std::vector<int>& ped_of_row, const std::vector<int>& row_of_node,
               Prepared& out) {
  const int n = static_cast<int>(in.people.size());
  const int rows = static_cast<int>(order.size());
  out.rows.resize(static_cast<std::size_t>(rows));
  out.row_of.assign(n, 0);
  for (int r = 1; r <= rows; ++r) {
    const int v = order[r - 1];
    ChainRow& row = out.rows[r - 1];
    row.ped = ped_of_row[r - 1];
    if (v < n) {
      row.person = v;
      out.row_of[v] = r;
      row.fa = nodes.father[v] >= 0 ? row_of_node[nodes.father[v]] : 0;
      row.mo = nodes.mother[v] >= 0 ? row_of_node[nodes.mother[v]] : 0;
      row.sex = in.people[v].sex;
      if (row.sex == 0) {
        // A parent of unknown sex takes the sex of its role; anyone else is counted male.
        row.sex = nodes.is_mother[v] ? 2 : 1;
        row.sex_set = true;
        ++out.sex_set;
      }
    } else {
      const Stand_in& s = nodes.stand_ins[v - n];
      row.known_parent = s.known;
      row.sex = s.sex;
      ++out.added_parents;
    }
  }
}

}  // namespace

Prepared prepare(const PedigreeInput& in, const Parents& par, const PrepareOptions& options) {
  Prepared out;
  const int n = static_cast<int>(in.people.size());
  out.all_pedigrees = connected_groups(in, par, out.pedigree_of);
  const Nodes nodes = add_stand_ins(n, par, options, out);
  std::vector<int> order, ped_of_row, row_of_node;
  order_rows(n, nodes, out, order, ped_of_row, row_of_node);
  fill_rows(in, nodes, order, ped_of_row, row_of_node, out);
  assign_labels(in, out);
  return out;
}

}  // namespace loopcut::prep
