#pragma once
// Genotype weights on their way into the chain: as the weight file that the optimiser reads, and
// the cut that unit weights would give, for comparison.
#include <string>
#include <vector>

#include "ped_prep/genotypes/genotype_weights.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Added to every weight that the chain sees. A fully typed individual weighs 0, so any number of
// them could be cut at no cost; with it, among cuts of equal weight the one with fewer breakers
// wins. It stays far below ln 2 = 0.69, the smallest weight above 0.
inline constexpr double TIE_BREAK = 1e-3;

// The weight file of genotype weights, in the folder where the chain runs.
inline constexpr const char* GENOTYPE_WEIGHT_FILE = "genotype.w";

// Writes the weight file of `count` rows of `weights` from index `first` on, numbered from 1 as
// the rows of a batch's own pedigree file, each weight with TIE_BREAK added.
void write_genotype_weights(const std::vector<double>& weights, long first, long count,
                            const std::string& path);

// The rows (identifiers) that a report of the optimiser (res.dat) names, in its order.
std::vector<int> read_cut_rows(const std::string& path);

// Runs the step search on unit weights over the pedigree `p` in DIR/unit-weights; returns the
// rows of `p` that it cuts.
std::vector<int> unit_weight_cut(const std::string& bin, const std::string& dir,
                                 const Prepared& p);

}  // namespace loopcut::prep
