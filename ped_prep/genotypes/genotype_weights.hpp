#pragma once
// The genotype weight of each individual: what a likelihood program sums over for it.
#include <string>
#include <vector>

#include "ped_prep/genotypes/locus_layout.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// The genotype weight of each person of the input, and that of an individual typed at no marker.
struct GenotypeWeights {
  std::vector<double> person;
  double untyped = 0.0;
};

// The genotype weight of each row of `p` (row r at r - 1), the sum over the loci that price a
// cut of ln(genotypes left after elimination over the whole pedigree); stand-in and added
// parents start untyped. `problems` lists the inconsistent families and the individuals whose
// phenotype allows no genotype, per locus in its order; the weights mean nothing then.
struct EliminatedWeights {
  std::vector<double> row;
  std::vector<std::string> problems;
};
EliminatedWeights eliminated_row_weights(const DataLayout& layout, const PedigreeInput& in,
                                         const Prepared& p);

// The row of `full` (from 0) of each row of the chain's pedigree (from 0), which holds the rows
// of the pedigrees flagged in `looped` in their order.
std::vector<std::size_t> looped_rows(const Prepared& full, const std::vector<char>& looped);
// The weights of those rows.
std::vector<double> looped_row_weights(const Prepared& full, const std::vector<char>& looped,
                                       const std::vector<double>& weights);

// Weights from each individual's own columns alone, before elimination: the weights of the
// input's people, whose phenotype columns (`Person::extra`) fit `layout`; the
// alleles of a marker are those seen in the file. A record that --add-missing-parents added
// counts as untyped.
GenotypeWeights person_genotype_weights(const DataLayout& layout, const PedigreeInput& in);

// The weight of each row of `p` (row r at r - 1): its person's, the untyped weight for a
// stand-in parent.
std::vector<double> row_weights(const GenotypeWeights& weights, const Prepared& p);

}  // namespace loopcut::prep
