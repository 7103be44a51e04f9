#include "ped_prep/chain_ceilings.hpp"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "common/par.hpp"

namespace loopcut::prep {

namespace {

// The distinct (parent, mate) pairs, an unknown mate (0) counted as one, as the optimiser lists
// mates; and the most mates of one parent.
std::pair<long, int> couples_and_most_mates(const Prepared& chain) {
  std::vector<std::pair<int, int>> couples;
  couples.reserve(chain.rows.size() * 2);
  for (const ChainRow& row : chain.rows) {
    if (row.fa) couples.emplace_back(row.fa, row.mo);
    if (row.mo) couples.emplace_back(row.mo, row.fa);
  }
  std::sort(couples.begin(), couples.end());
  couples.erase(std::unique(couples.begin(), couples.end()), couples.end());
  int most = 0;
  for (std::size_t i = 0; i < couples.size();) {
    std::size_t j = i;
    while (j < couples.size() && couples[j].first == couples[i].first) ++j;
    most = std::max(most, static_cast<int>(j - i));
    i = j;
  }
  return {static_cast<long>(couples.size()), most};
}

void raise(Ceiling c, long need) {
  const long value = std::min<long>(need, CEILING_LIMIT);
  if (value <= ceiling(c)) return;
  setenv(ceiling_variable(c), std::to_string(value).c_str(), 1);
}

}  // namespace

std::vector<std::string> raise_chain_ceilings(const PedigreeInput& in, const Prepared& chain) {
  const long rows = static_cast<long>(chain.rows.size());
  const auto [couples, most_mates] = couples_and_most_mates(chain);
  // A breaker makes at most one copy per mate, so the copies are at most the couples.
  raise(Ceiling::n_size, rows + couples + 1);
  raise(Ceiling::n_fam, static_cast<long>(chain.pedigrees) + 2);
  raise(Ceiling::n_star, rows);
  raise(Ceiling::m_star, static_cast<long>(most_mates) + 2);
  read_ceilings();
  return capacity_problems(in, chain);
}

}  // namespace loopcut::prep
