#pragma once
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "ped_prep/chain/batches.hpp"
#include "ped_prep/chain/chain_program.hpp"
#include "ped_prep/chain/improve.hpp"
#include "ped_prep/chain/relationships.hpp"
#include "ped_prep/pipeline/chain_records.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// How the chain runs.
struct ChainSettings {
  std::string bin;      // the folder of the chain's programs
  std::string scratch;  // its files; with several batches, one folder per batch inside
  std::optional<Relationships> relationships;  // none: every individual weighs 1
  std::string weight_file;                     // the weight file of cost_prep that cut_select reads
  // Genotype weights by row of the chain (row r at r - 1), instead of relationship values; empty
  // for none. The step search then runs once more on unit weights, for comparison.
  std::vector<double> genotype_weights;
  bool improve = false;                        // run cut_improve between cut_select and ped_cut
  int jobs = 1;                                // batches run at once
};

struct ChainResult {
  ChainFile cut;                 // the cut pedigree of every batch, numbered on as one file
  std::vector<int> zeroed_rows;  // rows whose negative weight was taken as 0
  std::optional<ImproveReport> improved;  // what cut_improve said, its pedigrees the chain's
  std::vector<int> unit_cut;     // with genotype weights: the rows that unit weights would cut
};

// The chain stopped short: what it said, and the folder whose files show why.
struct ChainFailure {
  std::string message;
  std::string kept;
};

// Runs cost_prep (with relationship values), cut_select (with genotype weights also on unit
// weights, in a folder unit-weights of its own), cut_improve (when asked) and ped_cut on
// each batch of `chain`, `settings.jobs` at a time, and joins their cut pedigrees in the order of
// the batches. A single batch runs in the scratch folder itself, with a progress line. Throws
// ChainFailure for the first batch that stopped.
ChainResult run_chain(const PedigreeInput& in, const Prepared& chain,
                      const std::vector<Batch>& batches, const ChainSettings& settings);

// The folder of batch `index` (from 0) of `count`.
std::string batch_directory(const std::string& scratch, std::size_t index, std::size_t count);

}  // namespace loopcut::prep
