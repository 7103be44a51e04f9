#include "ped_prep/chain/ceilings.hpp"

#include <algorithm>
#include <cstdlib>

#include "common/par.hpp"
#include "ped_prep/pipeline/select.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::prep {

namespace {

void raise_ceiling(Ceiling c, long need) {
  const long value = std::min<long>(need, CEILING_LIMIT);
  if (value <= ceiling(c)) return;
  setenv(ceiling_variable(c), std::to_string(value).c_str(), 1);
}

// The first individual of the input in the pedigree that starts at `row` (0-based).
std::string first_person(const PedigreeInput& in, const Prepared& chain, long row) {
  const int ped = chain.rows[static_cast<std::size_t>(row)].ped;
  for (std::size_t r = static_cast<std::size_t>(row);
       r < chain.rows.size() && chain.rows[r].ped == ped; ++r)
    if (chain.rows[r].person >= 0)
      return who(in.people[static_cast<std::size_t>(chain.rows[r].person)]);
  return "pedigree " + std::to_string(ped);
}

}  // namespace

void raise_chain_ceilings(const BatchNeeds& needs) {
  raise_ceiling(Ceiling::n_size, needs.rows);
  raise_ceiling(Ceiling::n_fam, needs.pedigrees);
  raise_ceiling(Ceiling::n_star, needs.stars);
  raise_ceiling(Ceiling::m_star, needs.mates);
  read_ceilings();
}

std::vector<std::string> batch_capacity_problems(const PedigreeInput& in, const Prepared& chain,
                                                 const std::vector<PedigreeLoad>& loads,
                                                 const std::vector<Batch>& batches) {
  std::vector<std::string> problems;
  for (const Batch& b : batches) {
    int most_mates = 0;
    for (int p = b.first_pedigree; p < b.first_pedigree + b.pedigrees; ++p)
      most_mates = std::max(most_mates, loads[static_cast<std::size_t>(p)].most_mates);
    if (b.rows <= n_size() && b.pedigrees <= n_fam() - 2 && b.rows <= n_star() &&
        most_mates <= m_star() - 2)
      continue;
    const std::vector<std::string> found =
        capacity_problems(in, select_pedigree_range(chain, b.first_pedigree, b.pedigrees));
    // Among several pedigrees, say which one is too large.
    const std::string head = in.file + ": ";
    for (const std::string& problem : found) {
      if (chain.pedigrees > 1 && b.pedigrees == 1 && problem.rfind(head, 0) == 0) {
        problems.push_back(head + "the pedigree of " + first_person(in, chain, b.first_row) + ": " +
                           problem.substr(head.size()));
      } else {
        problems.push_back(problem);
      }
    }
  }
  return problems;
}

}  // namespace loopcut::prep
