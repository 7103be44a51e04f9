#include "ped_prep/genotypes/genotype_weights.hpp"

#include <algorithm>
#include <cmath>

#include "ped_prep/genotypes/elimination.hpp"
#include "ped_prep/genotypes/inconsistent_family.hpp"
#include "ped_prep/genotypes/locus_phenotypes.hpp"

namespace loopcut::prep::genotype_weights_detail {

static_assert(MAX_LOCUS_ALLELES <= MAX_ELIMINATION_ALLELES);

// The rows' nuclear families. A stand-in parent (a row of no record) is unknown: one stands for
// every unknown mate of a known parent, so that the chain sees their loops, but the children it
// joins are half-sibs as far as the file tells.
std::vector<NuclearFamily> row_families(const Prepared& p) {
  auto parent = [&](int row) {
    return row > 0 && p.rows[static_cast<std::size_t>(row - 1)].person >= 0 ? row - 1 : -1;
  };
  std::vector<int> father, mother;
  for (const ChainRow& row : p.rows) {
    father.push_back(parent(row.fa));
    mother.push_back(parent(row.mo));
  }
  return nuclear_families(father, mother);
}

// Adds ln(genotypes left) of each row at the locus to its weight, or the locus's problems.
void add_locus(const PedigreeInput& in, const Prepared& p, const PricedLocus& locus,
               const std::vector<NuclearFamily>& families, EliminatedWeights& w) {
  if (locus.alleles > MAX_LOCUS_ALLELES) {
    w.problems.push_back(in.file + ": " + locus_name(locus) + ": " +
                         std::to_string(locus.alleles) + " alleles seen, more than the " +
                         std::to_string(MAX_LOCUS_ALLELES) + " genotype elimination takes");
    return;
  }
  GenotypeSets start;
  bool impossible = false;
  for (std::size_t r = 0; r < p.rows.size(); ++r) {
    start.push_back(starting_genotypes(locus, r));
    if (std::count(start[r].begin(), start[r].end(), 1) > 0) continue;
    w.problems.push_back(impossible_phenotype(in, p, locus, r));
    impossible = true;
  }
  if (impossible) return;
  Elimination e = eliminate_genotypes(locus.alleles, families, std::move(start));
  std::sort(e.inconsistent.begin(), e.inconsistent.end());
  for (const std::size_t k : e.inconsistent)
    w.problems.push_back(inconsistent_family(in, p, locus, families[k], e.left));
  for (std::size_t r = 0; r < p.rows.size(); ++r)
    w.row[r] += std::log(static_cast<double>(std::count(e.left[r].begin(), e.left[r].end(), 1)));
}

}  // namespace loopcut::prep::genotype_weights_detail

namespace loopcut::prep {

EliminatedWeights eliminated_row_weights(const DataLayout& layout, const PedigreeInput& in,
                                         const Prepared& p) {
  using namespace genotype_weights_detail;
  const std::vector<NuclearFamily> families = row_families(p);
  EliminatedWeights w;
  w.row.assign(p.rows.size(), 0.0);
  for (const PricedLocus& locus : priced_loci(layout, in, p)) add_locus(in, p, locus, families, w);
  return w;
}

std::vector<std::size_t> looped_rows(const Prepared& full, const std::vector<char>& looped) {
  std::vector<std::size_t> rows;
  for (std::size_t r = 0; r < full.rows.size(); ++r)
    if (looped[static_cast<std::size_t>(full.rows[r].ped - 1)]) rows.push_back(r);
  return rows;
}

std::vector<double> looped_row_weights(const Prepared& full, const std::vector<char>& looped,
                                       const std::vector<double>& weights) {
  std::vector<double> chain;
  for (const std::size_t r : looped_rows(full, looped)) chain.push_back(weights[r]);
  return chain;
}

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
