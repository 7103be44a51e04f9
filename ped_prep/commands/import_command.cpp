// ped_prep import: checks a pedigree and writes a directory that the chain can run in.
#include <iostream>
#include <optional>

#include "ped_prep/commands/commands.hpp"
#include "ped_prep/pipeline/loops.hpp"
#include "ped_prep/pipeline/select.hpp"
#include "ped_prep/commands/report.hpp"
#include "ped_prep/chain/genotype_weights.hpp"
#include "ped_prep/chain/interrupts.hpp"
#include "ped_prep/chain/scratch.hpp"
#include "ped_prep/chain/write_chain_dir.hpp"
#include "ped_prep/formats/format.hpp"

namespace loopcut::prep {

namespace {

// The files of an imported directory, with genotype weights when `layout` is given, else unit
// weights; whether the columns file is among them.
bool write_import_files(const PedigreeInput& in, const Prepared& p,
                        const std::optional<EliminatedWeights>& genotypes,
                        const std::string& weights, const std::string& dir) {
  const std::string base = dir + "/";
  write_pedigree_file(p, base + PEDIGREE_FILE);
  // Genotype weights (with the tie-break the chain sees) or unit weights.
  if (genotypes) {
    write_genotype_weights(genotypes->row, 0, static_cast<long>(p.rows.size()), base + weights);
  } else {
    write_unit_weights(p, base + weights);
  }
  write_task_file(base + TASK_FILE, weights);
  write_label_map(in, p, base + LABEL_MAP);
  return write_columns(in, p, base + COLUMNS_FILE);
}

}  // namespace

int import_command(Format format, const std::string& input, const std::string& dir,
                   const ImportOptions& options) {
  const std::optional<CheckedInput> checked = read_checked_input(format, input, options);
  if (!checked) return REFUSED;
  const PedigreeInput& in = checked->in;
  const std::optional<DataLayout>& layout = checked->layout;
  const Prepared all = prepare_checked_input(*checked, options);
  // The chain must take the pedigrees with loops; those without need no cut, and are left out
  // of DIR only when the chain could not take them too.
  const Prepared looped = select_pedigrees(all, looped_pedigrees(all));
  const std::vector<std::string> problems = capacity_problems(in, looped);
  if (!problems.empty()) {
    return refuse(
        input, problems,
        {"ped_prep run takes them: it raises the chain's ceilings itself, and runs "
         "batches where one run cannot number the records.",
         "To run the chain by hand, raise the ceilings in the environment of import and "
         "of the chain (LOOPCUT_N_SIZE, LOOPCUT_N_FAM, LOOPCUT_N_STAR, LOOPCUT_M_STAR)."});
  }
  const bool whole = capacity_problems(in, all).empty();
  const Prepared& p = whole ? all : looped;
  std::optional<EliminatedWeights> genotypes;
  if (layout) {
    genotypes = eliminated_row_weights(*layout, in, p);
    if (!genotypes->problems.empty()) return refuse(input, genotypes->problems, {});
  }

  // DIR is written whole or not at all: its files are written beside it, then put in place.
  const std::string weights = layout ? GENOTYPE_WEIGHT_FILE : WEIGHT_FILE;
  hold_interrupts();
  const std::string staging = make_staging_directory(dir);
  bool columns = false;
  try {
    columns = write_import_files(in, p, genotypes, weights, staging);
    throw_if_interrupted();
    put_in_place(staging, dir);
  } catch (const Interrupted& i) {
    remove_scratch(staging);
    end_by_interrupt(i.signal, dir + " not written");
  } catch (...) {
    remove_scratch(staging);
    throw;
  }
  const std::string base = dir + "/";

  for (const std::string& note : in.notes) std::cout << "note: " << note << '\n';
  print_import_summary(std::cout, in, all);
  if (!whole)
    std::cout << "the " << all.pedigrees - looped.pedigrees << " pedigrees without loops are left "
              << "out of " << dir << ": they need no cut, and with them the file is more than "
              << "the chain holds\n";
  std::cout << "wrote " << base << PEDIGREE_FILE << ", " << weights << ", " << TASK_FILE
            << ", " << LABEL_MAP << (columns ? std::string(", ") + COLUMNS_FILE : std::string())
            << '\n';
  if (const int sig = interrupt_signal())
    end_by_interrupt(sig, "it came after " + dir + " was written in full");
  return DONE;
}

}  // namespace loopcut::prep
