// price_cuts: what the breakers of the default cut cost a likelihood program, with the genotype
// weights counted from each individual's own alleles ("typed") and with those counted after
// genotype elimination ("eliminated").
//   price_cuts LINKAGE DATAFILE BIN_DIR WORK_DIR
// The pedigree is prepared as ped_prep prepares it; for each weight, cut_select then cut_improve
// (from BIN_DIR, as ped_prep run calls them) cut its pedigrees with loops in WORK_DIR/typed or
// WORK_DIR/eliminated. Both cuts are priced as the likelihood program pays: log10 of the product
// over the breakers of the genotypes left after elimination, over all the markers. One line:
//   records 3010 loops 1234 typed 609.2 97 eliminated 501.3 95 seconds 0.0123
// the log10 and breakers of each cut, and the time of the elimination alone (the fastest of
// three runs).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <numeric>
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "common/par.hpp"
#include "ped_prep/chain/batches.hpp"
#include "ped_prep/chain/ceilings.hpp"
#include "ped_prep/chain/chain_program.hpp"
#include "ped_prep/chain/genotype_weights.hpp"
#include "ped_prep/chain/improve.hpp"
#include "ped_prep/chain/scratch.hpp"
#include "ped_prep/chain/write_chain_dir.hpp"
#include "ped_prep/commands/read_checked_input.hpp"
#include "ped_prep/genotypes/genotype_weights.hpp"
#include "ped_prep/genotypes/locus_layout.hpp"
#include "ped_prep/pipeline/select.hpp"

namespace loopcut::prep {

namespace {

// The elimination over the whole file, as ped_prep run makes it, timed: its weights and the
// fastest of three runs in seconds.
EliminatedWeights timed_elimination(const DataLayout& layout, const PedigreeInput& in,
                                    const Prepared& full, double& seconds) {
  EliminatedWeights first;
  seconds = 1e9;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    EliminatedWeights w = eliminated_row_weights(layout, in, full);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    seconds = std::min(seconds, took.count());
    if (run == 0) first = std::move(w);
  }
  return first;
}

// The chain's ceilings raised to what the pedigrees with loops need, as ped_prep run raises
// them; false (having said why) when one run of the chain cannot take them all.
bool fit_chain(const PedigreeInput& in, const Prepared& chain) {
  const std::vector<PedigreeLoad> loads = pedigree_loads(chain);
  const std::vector<Batch> batches = plan_batches(loads, BatchLimits{CEILING_LIMIT, 0});
  std::vector<std::string> problems = batch_capacity_problems(in, chain, loads, batches);
  if (batches.size() > 1) problems.push_back("the pedigrees with loops need several batches");
  for (const std::string& p : problems) std::cerr << "price_cuts: " << p << '\n';
  if (!problems.empty()) return false;
  raise_chain_ceilings(batch_needs(loads, batches));
  return true;
}

// The rows (from 1) that the default cut on `weights` takes: cut_select then cut_improve in `dir`.
std::vector<int> default_cut(const Prepared& chain, const std::vector<double>& weights,
                             const std::string& bin, const std::string& dir) {
  make_directory(dir);
  write_pedigree_file(chain, dir + "/" + PEDIGREE_FILE);
  write_genotype_weights(weights, 0, static_cast<long>(chain.rows.size()),
                         dir + "/" + GENOTYPE_WEIGHT_FILE);
  write_task_file(dir + "/" + TASK_FILE, GENOTYPE_WEIGHT_FILE);
  run_chain_program(bin, "cut_select", dir, chain.pedigrees, false);
  improve_cut(bin, dir, chain.pedigrees, 0, false);
  return read_cut_rows(dir + "/res.dat");
}

// "609.2 97": log10 of the breakers' genotypes left, and how many breakers.
std::string price(const std::vector<int>& breakers, const std::vector<double>& left) {
  std::vector<double> w;
  for (const int row : breakers) w.push_back(left.at(static_cast<std::size_t>(row - 1)));
  char text[64];
  std::snprintf(text, sizeof text, "%.1f %zu", log10_combinations(w), breakers.size());
  return text;
}

int price_cuts(const std::string& linkage, const std::string& data, const std::string& bin,
               const std::string& work) {
  ReadOptions o;
  o.genotypes = data;
  const std::optional<CheckedInput> checked = read_checked_input(Format::linkage, linkage, o);
  if (!checked) return 1;
  const Prepared full = prepare_checked_input(*checked, o);
  const std::vector<char> looped = looped_pedigrees(full);
  const Prepared chain = select_pedigrees(full, looped);
  if (chain.rows.empty()) {
    std::cerr << "price_cuts: " << linkage << " has no loops\n";
    return 1;
  }
  if (!fit_chain(checked->in, chain)) return 1;
  double seconds = 0.0;
  const EliminatedWeights all = timed_elimination(*checked->layout, checked->in, full, seconds);
  for (const std::string& p : all.problems) std::cerr << "price_cuts: " << p << '\n';
  if (!all.problems.empty()) return 1;
  const std::vector<double> left = looped_row_weights(full, looped, all.row);
  const std::vector<double> typed =
      row_weights(person_genotype_weights(*checked->layout, checked->in), chain);
  const std::vector<int> typed_cut = default_cut(chain, typed, bin, work + "/typed");
  const std::vector<int> eliminated_cut = default_cut(chain, left, bin, work + "/eliminated");
  const std::vector<long>& loops = analyse_prepared_loops(chain).loops;
  char time[32];
  std::snprintf(time, sizeof time, "%.4f", seconds);
  std::cout << "records " << checked->in.people.size() << " loops "
            << std::accumulate(loops.begin(), loops.end(), 0L) << " typed "
            << price(typed_cut, left) << " eliminated " << price(eliminated_cut, left)
            << " seconds " << time << '\n';
  return 0;
}

}  // namespace

}  // namespace loopcut::prep

int main(int argc, char** argv) {
  if (argc != 5) {
    std::cerr << "usage: price_cuts LINKAGE DATAFILE BIN_DIR WORK_DIR\n";
    return 2;
  }
  try {
    // The chain's programs run in their folders: BIN_DIR is taken from here.
    return loopcut::prep::price_cuts(argv[1], argv[2],
                                     std::filesystem::absolute(argv[3]).string(), argv[4]);
  } catch (const loopcut::Stop& stop) {
    return stop.status;  // its message has been written
  } catch (const loopcut::prep::ChainStop& stop) {
    std::cerr << "price_cuts: " << stop.message << '\n';
  } catch (const std::exception& e) {
    std::cerr << "price_cuts: " << e.what() << '\n';
  }
  return 1;
}
