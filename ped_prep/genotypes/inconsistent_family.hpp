#pragma once
// Why a pedigree's genotypes cannot be: the message of an inconsistent nuclear family, or of an
// individual whose own phenotype allows no genotype.
#include <string>

#include "ped_prep/genotypes/elimination.hpp"
#include "ped_prep/genotypes/locus_phenotypes.hpp"

namespace loopcut::prep {

// FILE:LINE: marker D1S80: family 1: father 5 (1/2) and mother 6 (1/1) cannot have child 9 (2/2)
// The children named are those whom the parents alone cannot have (LINE is the first one's),
// or else all of them "together". A member that its relatives leave fewer genotypes than its
// own columns allow shows them: "father 5 (0/0; left 1/1 or 1/3)". `start` holds what each
// row's columns allow, `left` what elimination left.
std::string inconsistent_family(const PedigreeInput& in, const Prepared& p,
                                const PricedLocus& locus, const NuclearFamily& family,
                                const GenotypeSets& start, const GenotypeSets& left);

// FILE:LINE: affection status disease: family 1: individual 5 (affected, class 3) has no
// genotype whose penetrance allows it
std::string impossible_phenotype(const PedigreeInput& in, const Prepared& p,
                                 const PricedLocus& locus, std::size_t row);

}  // namespace loopcut::prep
