#pragma once
// The genotype weight of each individual: what a likelihood program sums over for it.
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

// The weights of the input's people, whose phenotype columns (`Person::extra`) fit `layout`; the
// alleles of a marker are those seen in the file. A record that --add-missing-parents added
// counts as untyped.
GenotypeWeights person_genotype_weights(const DataLayout& layout, const PedigreeInput& in);

// The weight of each row of `p` (row r at r - 1): its person's, the untyped weight for a
// stand-in parent.
std::vector<double> row_weights(const GenotypeWeights& weights, const Prepared& p);

}  // namespace loopcut::prep
