// Turns a checked input into the records of the chain's pedigree file.
#include <algorithm>
#include <numeric>
#include <unordered_map>
#include <unordered_set>

#include "common/par.hpp"
#include "ped_prep/labels.hpp"
#include "ped_prep/loops.hpp"
#include "ped_prep/prepare.hpp"

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

Prepared prepare(const PedigreeInput& in, const Parents& par, const PrepareOptions& options) {
  Prepared out;
  const int n = static_cast<int>(in.people.size());
  out.all_pedigrees = connected_groups(in, par, out.pedigree_of);

  // Nodes 0 .. n-1 are the people; stand-ins for unknown parents follow.
  std::vector<int> father(par.father), mother(par.mother);
  std::vector<Stand_in> stand_ins;
  std::unordered_map<long long, int> stand_in_of;  // known * 4 + role sex -> node
  std::vector<char> is_father(n, 0), is_mother(n, 0);
  for (int i = 0; i < n; ++i) {
    if (father[i] >= 0) is_father[father[i]] = 1;
    if (mother[i] >= 0) is_mother[mother[i]] = 1;
    if ((father[i] >= 0) != (mother[i] >= 0)) ++out.one_parent_records;
  }
  if (!options.keep_one_parent) {
    for (int i = 0; i < n; ++i) {
      if ((father[i] >= 0) == (mother[i] >= 0)) continue;
      const int known = father[i] >= 0 ? father[i] : mother[i];
      const int role = father[i] >= 0 ? 2 : 1;  // the sex of the missing parent
      const long long k = static_cast<long long>(known) * 4 + role;
      auto [it, fresh] = stand_in_of.emplace(k, n + static_cast<int>(stand_ins.size()));
      if (fresh) stand_ins.push_back({known, role});
      (role == 1 ? father[i] : mother[i]) = it->second;
    }
  }
  const int nodes = n + static_cast<int>(stand_ins.size());
  auto father_of = [&](int v) { return v < n ? father[v] : -1; };
  auto mother_of = [&](int v) { return v < n ? mother[v] : -1; };

  // Members of each kept group in input order; stand-ins are reached through their children.
  std::vector<std::vector<int>> members(static_cast<std::size_t>(out.all_pedigrees));
  for (int i = 0; i < n; ++i)
    members[out.pedigree_of[i]].push_back(i);

  // Rows: group by group, each individual after its parents, otherwise in input order.
  std::vector<int> row_of_node(nodes, 0);
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(nodes));
  std::vector<char> expanded(nodes, 0);
  std::vector<int> stack;
  int ped = 0;
  std::vector<int> ped_of_row;
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
      row.fa = father[v] >= 0 ? row_of_node[father[v]] : 0;
      row.mo = mother[v] >= 0 ? row_of_node[mother[v]] : 0;
      row.sex = in.people[v].sex;
      if (row.sex == 0) {
        // A parent of unknown sex takes the sex of its role; anyone else is counted male.
        row.sex = is_mother[v] ? 2 : 1;
        row.sex_set = true;
        ++out.sex_set;
      }
    } else {
      const Stand_in& s = stand_ins[v - n];
      row.known_parent = s.known;
      row.sex = s.sex;
      ++out.added_parents;
    }
  }
  assign_labels(in, out);
  return out;
}

std::vector<std::pair<int, int>> distinct_couples(const Prepared& p) {
  std::vector<std::pair<int, int>> couples;
  couples.reserve(p.rows.size() * 2);
  for (const ChainRow& row : p.rows) {
    if (row.fa) couples.emplace_back(row.fa, row.mo);
    if (row.mo) couples.emplace_back(row.mo, row.fa);
  }
  std::sort(couples.begin(), couples.end());
  couples.erase(std::unique(couples.begin(), couples.end()), couples.end());
  return couples;
}

std::vector<std::string> capacity_problems(const PedigreeInput& in, const Prepared& out) {
  std::vector<std::string> problems;
  const int rows = static_cast<int>(out.rows.size());
  // Capacities of the optimiser and the cutter.
  if (rows > n_size()) {
    problems.push_back(in.file + ": " + std::to_string(rows) + " records" +
                       (out.added_parents ? " (with " + std::to_string(out.added_parents) +
                                                " added parents)"
                                          : std::string()) +
                       " are more than the " + std::to_string(n_size()) +
                       " records the chain can hold");
  }
  if (out.pedigrees > n_fam() - 2) {
    problems.push_back(in.file + ": " + std::to_string(out.pedigrees) +
                       " pedigrees (connected groups) are more than the " +
                       std::to_string(n_fam() - 2) + " the chain can hold");
  }
  const std::vector<std::pair<int, int>> couples = distinct_couples(out);
  for (std::size_t i = 0; i < couples.size();) {
    std::size_t j = i;
    while (j < couples.size() && couples[j].first == couples[i].first) ++j;
    const int mates = static_cast<int>(j - i);
    const ChainRow& parent = out.rows[couples[i].first - 1];
    if (mates > m_star() - 2) {
      const std::string name =
          parent.person >= 0 ? who(in.people[parent.person]) : trimmed(parent.kod);
      problems.push_back(in.file + ": " + name + " has " + std::to_string(mates) +
                         " mates, more than the " + std::to_string(m_star() - 2) +
                         " the optimiser can hold");
    }
    i = j;
  }
  return problems;
}

Prepared select_pedigrees(const Prepared& p, const std::vector<char>& keep) {
  Prepared out = p;
  out.rows.clear();
  out.row_of.assign(p.row_of.size(), 0);
  std::vector<int> new_row(p.rows.size() + 1, 0);
  std::vector<int> new_ped(static_cast<std::size_t>(p.pedigrees) + 1, 0);
  int peds = 0;
  for (std::size_t r = 0; r < p.rows.size(); ++r) {
    const ChainRow& row = p.rows[r];
    if (!keep[row.ped - 1]) continue;
    if (!new_ped[row.ped]) new_ped[row.ped] = ++peds;
    out.rows.push_back(row);
    new_row[r + 1] = static_cast<int>(out.rows.size());
  }
  for (ChainRow& row : out.rows) {
    row.ped = new_ped[row.ped];
    row.fa = new_row[row.fa];
    row.mo = new_row[row.mo];
    if (row.person >= 0) out.row_of[row.person] = new_row[p.row_of[row.person]];
  }
  out.pedigrees = peds;
  return out;
}

Prepared select_pedigree_range(const Prepared& p, int first, int count) {
  Prepared out;
  out.all_pedigrees = p.all_pedigrees;
  out.pedigree_of = p.pedigree_of;
  out.row_of.assign(p.row_of.size(), 0);
  // Rows come pedigree by pedigree, and parents are in their child's pedigree.
  auto in_range = [&](const ChainRow& row) { return row.ped > first && row.ped <= first + count; };
  const auto begin = std::find_if(p.rows.begin(), p.rows.end(), in_range);
  const auto end = std::find_if_not(begin, p.rows.end(), in_range);
  const int offset = static_cast<int>(begin - p.rows.begin());
  out.rows.assign(begin, end);
  for (ChainRow& row : out.rows) {
    row.ped -= first;
    if (row.fa) row.fa -= offset;
    if (row.mo) row.mo -= offset;
    if (row.person >= 0)
      out.row_of[static_cast<std::size_t>(row.person)] =
          p.row_of[static_cast<std::size_t>(row.person)] - offset;
    out.added_parents += row.person < 0;
    out.sex_set += row.sex_set;
  }
  out.pedigrees = count;
  return out;
}

LoopAnalysis analyse_prepared_loops(const Prepared& p) {
  const int n = static_cast<int>(p.rows.size());
  std::vector<int> fa(n), mo(n), group(n);
  for (int r = 0; r < n; ++r) {
    fa[r] = p.rows[r].fa - 1;
    mo[r] = p.rows[r].mo - 1;
    group[r] = p.rows[r].ped - 1;
  }
  return analyse_loops(fa, mo, group, p.pedigrees);
}

std::vector<char> looped_pedigrees(const Prepared& p) {
  const LoopAnalysis loops = analyse_prepared_loops(p);
  std::vector<char> looped(static_cast<std::size_t>(p.pedigrees), 0);
  for (int g = 0; g < p.pedigrees; ++g) looped[g] = loops.loops[g] > 0;
  return looped;
}

}  // namespace loopcut::prep
