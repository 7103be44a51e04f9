#pragma once
// The loci that price a cut, and what each row of the chain's pedigree shows at them: the
// genotypes it starts with before elimination, and its phenotype as messages write it.
#include <string>
#include <vector>

#include "ped_prep/genotypes/locus_layout.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// A marker, or an affection locus with penetrances, with the columns of each row at it.
struct PricedLocus {
  const DataItem* item = nullptr;
  int alleles = 0;
  std::vector<std::string> allele_names;          // allele (from 0) as the file writes it
  std::vector<std::vector<std::string>> columns;  // per row of the pedigree (row r at r - 1);
                                                  // empty for a stand-in or added parent
};

// The loci of `layout` that price a cut, in its order. A marker's alleles are the locus file's,
// or else those seen in the input's records (in the order first seen, at least 2).
std::vector<PricedLocus> priced_loci(const DataLayout& layout, const PedigreeInput& in,
                                     const Prepared& p);

// The genotypes the row (from 0) may have before elimination: those its alleles allow, or
// those whose penetrance allows its affection status and class; all of them for a row without
// columns or with nothing known.
std::vector<char> starting_genotypes(const PricedLocus& locus, std::size_t row);

// "marker D1S80" or "affection status disease".
std::string locus_name(const PricedLocus& locus);
// The row's columns at the locus as written, "1/2" or "0/0" for a marker, "affected, class 3"
// for an affection status; "untyped" for a row without columns.
std::string phenotype_text(const PricedLocus& locus, std::size_t row);
// A genotype (numbered as genotype_index) in the file's allele names: "1/2".
std::string genotype_text(const PricedLocus& locus, int genotype);

}  // namespace loopcut::prep
