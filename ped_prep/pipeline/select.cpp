// What a prepared pedigree asks of the chain, and the pedigrees of it that go through the chain.
#include "ped_prep/pipeline/select.hpp"

#include <algorithm>

#include "common/par.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::prep {

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
