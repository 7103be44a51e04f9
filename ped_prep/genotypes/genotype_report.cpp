// What the cut costs a likelihood program: the genotype combinations of its breakers.
#include "ped_prep/genotypes/genotype_report.hpp"

#include "ped_prep/genotypes/genotype_weights.hpp"
#include "ped_prep/genotypes/locus_layout.hpp"

namespace loopcut::prep {

namespace genotype_report_detail {

// The weights of each pedigree's breakers (by pedigree number - 1), and of all of them.
struct Breakers {
  std::vector<std::vector<double>> pedigree;
  std::vector<double> all;
};

void add(Breakers& b, const Prepared& full, const std::vector<double>& weights, std::size_t row) {
  b.pedigree[static_cast<std::size_t>(full.rows[row].ped - 1)].push_back(weights[row]);
  b.all.push_back(weights[row]);
}

}  // namespace genotype_report_detail

std::vector<std::string> combinations_lines(const Prepared& full, const std::vector<char>& looped,
                                            const std::vector<double>& weights,
                                            const CheckResult& check,
                                            const std::vector<int>& unit_rows) {
  using namespace genotype_report_detail;
  const std::size_t pedigrees = static_cast<std::size_t>(full.pedigrees);
  Breakers cut{std::vector<std::vector<double>>(pedigrees), {}};
  Breakers unit = cut;
  for (std::size_t r = 0; r < check.is_breaker.size(); ++r)
    if (check.is_breaker[r]) add(cut, full, weights, r);
  const std::vector<std::size_t> rows = looped_rows(full, looped);
  for (const int row : unit_rows)
    add(unit, full, weights, rows.at(static_cast<std::size_t>(row - 1)));
  std::vector<std::string> lines;
  for (const PedigreeCounts& c : check.pedigrees) {
    if (c.loops == 0) continue;
    const std::size_t p = static_cast<std::size_t>(c.number - 1);
    lines.push_back(combinations_line(log10_combinations(cut.pedigree.at(p)),
                                      log10_combinations(unit.pedigree.at(p)),
                                      "pedigree " + std::to_string(c.number)));
  }
  lines.push_back(
      combinations_line(log10_combinations(cut.all), log10_combinations(unit.all)));
  return lines;
}

}  // namespace loopcut::prep
