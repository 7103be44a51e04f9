#include "ped_prep/genotypes/genotype_weights.hpp"

namespace loopcut::prep {

GenotypeWeights person_genotype_weights(const DataLayout& layout, const PedigreeInput& in) {
  // Only the records of the file show alleles; added ones have none.
  std::vector<Genotypes> rows;
  rows.reserve(in.people.size());
  for (const Person& p : in.people)
    if (!p.added) rows.push_back(row_genotypes(layout, p.extra));
  const std::vector<int> counts = allele_counts(rows, layout_markers(layout));
  GenotypeWeights w;
  w.untyped = untyped_weight(counts);
  std::size_t next = 0;
  for (const Person& p : in.people)
    w.person.push_back(p.added ? w.untyped : genotype_weight(rows[next++], counts));
  return w;
}

std::vector<double> row_weights(const GenotypeWeights& weights, const Prepared& p) {
  std::vector<double> by_row;
  by_row.reserve(p.rows.size());
  for (const ChainRow& row : p.rows)
    by_row.push_back(row.person >= 0 ? weights.person[static_cast<std::size_t>(row.person)]
                                     : weights.untyped);
  return by_row;
}

}  // namespace loopcut::prep
