// ped_prep run: import, the chain in a scratch directory, the check, and the export.
#include <unistd.h>

#include <filesystem>
#include <future>
#include <iostream>
#include <optional>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_writer.hpp"
#include "common/par.hpp"
#include "common/text_file.hpp"
#include "cut_improve/cut_improve.hpp"
#include "ped_prep/chain/batches.hpp"
#include "ped_prep/chain/ceilings.hpp"
#include "ped_prep/chain/child_process.hpp"
#include "ped_prep/chain/genotype_weights.hpp"
#include "ped_prep/chain/interrupts.hpp"
#include "ped_prep/chain/relationships.hpp"
#include "ped_prep/chain/run_chain.hpp"
#include "ped_prep/chain/scratch.hpp"
#include "ped_prep/commands/commands.hpp"
#include "ped_prep/genotypes/genotype_report.hpp"
#include "ped_prep/commands/improve_summary.hpp"
#include "ped_prep/commands/report.hpp"
#include "ped_prep/formats/format.hpp"
#include "ped_prep/formats/makeped.hpp"
#include "ped_prep/pipeline/check.hpp"
#include "ped_prep/pipeline/loops.hpp"
#include "ped_prep/pipeline/select.hpp"

namespace loopcut::prep {

namespace fs = std::filesystem;

namespace {

// The records of a prepared pedigree as a pedigree file of the chain.
ChainFile as_chain_file(const Prepared& p, const std::string& name) {
  ChainFile f;
  f.file = name;
  f.records.reserve(p.rows.size());
  int r = 0;
  for (const ChainRow& row : p.rows) {
    ChainRecord c;
    c.ped = row.ped;
    c.id = ++r;
    c.fa = row.fa;
    c.mo = row.mo;
    c.sex = row.sex;
    c.kod = row.kod;
    c.line = r + 1;
    f.records.push_back(c);
  }
  return f;
}

// The cut file of the pedigrees that went through the chain, followed by those that did not,
// renumbered to follow on.
ChainFile merge(const ChainFile& cut, const Prepared& full, const std::vector<char>& looped) {
  ChainFile merged = cut;
  merged.records.reserve(cut.records.size() + full.rows.size());
  int ped = 0, id = static_cast<int>(cut.records.size());
  for (const ChainRecord& r : cut.records) ped = std::max(ped, r.ped);
  std::vector<int> new_id(full.rows.size() + 1, 0);
  std::vector<int> new_ped(static_cast<std::size_t>(full.pedigrees) + 1, 0);
  for (std::size_t r = 0; r < full.rows.size(); ++r) {
    const ChainRow& row = full.rows[r];
    if (looped[row.ped - 1]) continue;
    if (!new_ped[row.ped]) new_ped[row.ped] = ++ped;
    new_id[r + 1] = ++id;
    ChainRecord c;
    c.ped = new_ped[row.ped];
    c.id = id;
    c.fa = new_id[row.fa];
    c.mo = new_id[row.mo];
    c.sex = row.sex;
    c.kod = row.kod;
    merged.records.push_back(c);
  }
  return merged;
}

// Lists the individuals whose negative weight was taken as 0.
void report_zeroed_weights(const PedigreeInput& in, const Prepared& chain, const std::vector<int>& rows) {
  if (rows.empty()) return;
  std::cout << rows.size() << " individual" << (rows.size() == 1 ? "" : "s")
            << " with a relationship value above the whole pedigree's: the negative weight is "
               "taken as 0, so each is the first choice to cut:";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int r = rows[i];
    const bool known = r >= 1 && r <= static_cast<int>(chain.rows.size()) &&
                       chain.rows[static_cast<std::size_t>(r - 1)].person >= 0;
    std::cout << (i ? ", " : " ")
              << (known ? who(in.people[static_cast<std::size_t>(chain.rows[r - 1].person)])
                        : "star " + std::to_string(r));
  }
  std::cout << '\n';
}

// The work budget of cut_improve in each batch: the budget asked for shared among the batches
// equally, whatever runs at once, so that the cut does not depend on --jobs.
void share_improve_budget(const RunOptions& o, std::size_t batches) {
  if (!o.improve_seconds.empty()) setenv("LOOPCUT_IMPROVE_BUDGET", o.improve_seconds.c_str(), 1);
  if (batches <= 1) return;
  const double seconds = improve_budget() / static_cast<double>(batches);
  setenv("LOOPCUT_IMPROVE_BUDGET", std::to_string(seconds).c_str(), 1);
}

// The pedigrees with loops in batches the chain can run, its ceilings raised to them; an empty
// plan with the problems when a pedigree is beyond what the chain's formats can hold.
std::vector<Batch> plan_chain(const PedigreeInput& in, const Prepared& chain, const RunOptions& o,
                              std::vector<std::string>& problems) {
  const std::vector<PedigreeLoad> loads = pedigree_loads(chain);
  const std::vector<Batch> batches =
      plan_batches(loads, BatchLimits{CEILING_LIMIT, o.batch_records});
  raise_chain_ceilings(batch_needs(loads, batches));
  problems = batch_capacity_problems(in, chain, loads, batches);
  return batches;
}

// What the chain made of the pedigrees with loops.
struct ChainRun {
  ChainFile cut;
  std::string scratch;         // the folder of its files
  std::vector<int> unit_cut;   // with genotype weights: the rows that unit weights would cut
  std::optional<ImproveReport> improved;  // what cut_improve said, unless --no-improve
};

// Runs the chain on the pedigrees with loops in a scratch folder, with relationship values, the
// genotype weights of the chain's rows (when not empty) or unit weights; returns REFUSED (having
// said why) when the chain stopped short.
int cut_loops(const PedigreeInput& in, const Prepared& chain, const std::vector<Batch>& batches,
              const RunOptions& o, std::future<PersonValues>& relationships,
              std::vector<double> genotype_weights, ChainRun& run) {
  ChainSettings settings;
  settings.genotype_weights = std::move(genotype_weights);
  if (!o.weights.empty()) {
    settings.relationships = by_rows(relationships.get(), chain);
    settings.weight_file = o.transform == "sqrt"  ? "w_s.dat"
                           : o.transform == "log" ? "w_l.dat"
                                                  : "w_0.dat";
  }
  if (o.improve) share_improve_budget(o, batches.size());
  const std::string& scratch = run.scratch = make_scratch(o.work);
  settings.scratch = scratch;
  settings.bin = o.bin_dir.empty() ? own_directory() : fs::absolute(o.bin_dir).string();
  settings.improve = o.improve;
  settings.jobs = o.jobs;
  std::cout << "chain: " << chain.pedigrees << " pedigree" << (chain.pedigrees == 1 ? "" : "s")
            << " with loops, " << chain.rows.size() << " records, ";
  if (batches.size() > 1)
    std::cout << "in " << batches.size() << " batches, "
              << std::min<std::size_t>(static_cast<std::size_t>(o.jobs), batches.size())
              << " at a time, ";
  std::cout << "in " << scratch << '\n' << std::flush;
  try {
    ChainResult result = run_chain(in, chain, batches, settings);
    report_zeroed_weights(in, chain, result.zeroed_rows);
    run.cut = std::move(result.cut);
    run.unit_cut = std::move(result.unit_cut);
    run.improved = std::move(result.improved);
  } catch (const ChainFailure& failure) {
    std::cerr << "ped_prep: " << failure.message << "\nthe chain's files are kept in "
              << failure.kept << '\n';
    return REFUSED;
  }
  return DONE;
}

// Whether OUTPUT may be written: the cut left no loop and lost nobody, and a chain file can
// number it. Says why not.
bool may_write(const CheckResult& result, const ChainFile& merged, Format format,
               const std::string& output, const std::string& scratch) {
  if (!check_passed(result)) {
    // A result with loops left or someone lost is no answer: nothing is written under the
    // requested name, and the chain's files stay for a look.
    std::cout.flush();
    std::cerr << "ped_prep: " << output << " not written: the cut left loops or lost someone\n";
    if (!scratch.empty()) std::cerr << "the chain's files are kept in " << scratch << '\n';
    return false;
  }
  if (format == Format::chain && !merged.records.empty() &&
      (merged.records.size() > static_cast<std::size_t>(CEILING_LIMIT) ||
       merged.records.back().ped > CEILING_LIMIT)) {
    std::cerr << "ped_prep: " << output << " not written: the cut pedigree has "
              << merged.records.size() << " records, more than the chain's format can number ("
              << CEILING_LIMIT << "); write it as linkage or fam\n";
    if (!scratch.empty()) std::cerr << "the chain's files are kept in " << scratch << '\n';
    return false;
  }
  return true;
}

// Writes OUTPUT and its list of copies, and says so.
void write_output(const PedigreeInput& in, const Prepared& full, const ChainFile& merged,
                  Identities ids, Format format, const std::string& output) {
  bool copies = false;
  for (const OutRecord& o : ids.records) copies = copies || o.copy;
  const int side = export_pedigree(in, full, merged, std::move(ids), output, format);
  const bool side_file = output != "-" && !is_special_file(output);
  std::cout << "wrote " << (output == "-" ? "standard output" : output) << " ("
            << format_name(format) << ") and "
            << (side_file ? copies_file_name(output) : "the list of copies above") << " ("
            << side << " line" << (side == 1 ? "" : "s") << ")\n";
  if (format == Format::linkage && copies)
    std::cout << "note: the copies are untied founders in a pre-makeped file; for LINKAGE "
                 "programs write it with --to makeped, which ties each to its original\n";
}

// Says what the breakers cost a likelihood program, beside the cut of unit weights.
void report_combinations(const Prepared& full, const std::vector<char>& looped,
                         const std::vector<double>& weights, const CheckResult& result,
                         const std::vector<int>& unit_cut) {
  for (const std::string& line : combinations_lines(full, looped, weights, result, unit_cut))
    std::cout << line << '\n';
}

// The run's steps; the scratch folder, once made, is named in `run`.
int run_steps(Format format, const std::string& input, const std::string& output,
              const RunOptions& o, ChainRun& run) {
  refuse_overwriting({input, o.weights, o.doubled, o.genotypes},
                     {output, copies_file_name(output)});
  const std::optional<CheckedInput> checked = read_checked_input(format, input, o);
  if (!checked) return REFUSED;
  const PedigreeInput& in = checked->in;
  const std::optional<DataLayout>& layout = checked->layout;
  const Format written = o.to.value_or(format);
  if (written == Format::makeped && format != Format::makeped) {
    const std::vector<std::string> unnumbered = makeped_identifier_problems(in);
    if (!unnumbered.empty()) return refuse(input, unnumbered, {});
  }
  // The relationship values are read while the pedigree is prepared.
  std::future<PersonValues> relationships;
  if (!o.weights.empty())
    relationships = std::async(std::launch::async,
                               [&] { return read_relationships(in, o.weights, o.doubled); });
  const Prepared full = prepare_checked_input(*checked, o);
  // Only the pedigrees with loops need the chain; the others pass by it unchanged.
  const ChainFile imported = as_chain_file(full, input);
  const IndexedPedigree ix = index_pedigree(imported);
  LoopAnalysis loops = analyse_loops(ix.fa, ix.mo, ix.group, full.pedigrees);
  for (const std::string& note : in.notes) std::cout << "note: " << note << '\n';
  print_import_summary(std::cout, in, full, loops);
  std::vector<char> looped(static_cast<std::size_t>(full.pedigrees), 0);
  for (int g = 0; g < full.pedigrees; ++g) looped[g] = loops.loops[g] > 0;
  const Prepared chain = select_pedigrees(full, looped);
  std::vector<std::string> problems;
  const std::vector<Batch> batches = plan_chain(in, chain, o, problems);
  if (!problems.empty()) {
    std::cerr << "ped_prep: the chain cannot take the pedigrees with loops of " << input << ":\n";
    for (const std::string& p : problems) std::cerr << "  " << p << '\n';
    return REFUSED;
  }
  std::optional<EliminatedWeights> genotypes;
  if (layout) {
    genotypes = eliminated_row_weights(*layout, in, full);
    if (!genotypes->problems.empty()) return refuse(input, genotypes->problems, {});
  }
  // From here on files are made: a signal is seen at the next check, and they are removed.
  hold_interrupts();
  throw_if_interrupted();
  if (chain.rows.empty()) run.cut.file = "(no pedigree with loops)";
  else if (cut_loops(in, chain, batches, o, relationships,
                     genotypes ? looped_row_weights(full, looped, genotypes->row)
                               : std::vector<double>(),
                     run) != DONE)
    return REFUSED;
  const ChainFile merged = merge(run.cut, full, looped);
  // Naming the records for the export reads what the check reads: both at once.
  std::future<Identities> naming =
      std::async(std::launch::async, [&] { return identify(in, full, merged, written); });
  const CheckResult result = check_pedigrees(imported, ix, std::move(loops), &merged);
  std::cout << '\n';
  print_check(result, std::cout, o.all);
  if (run.improved)
    for (const std::string& line : improvement_lines(*run.improved, looped)) std::cout << line << '\n';
  if (!may_write(result, merged, format, output, run.scratch)) return REFUSED;
  if (genotypes) report_combinations(full, looped, genotypes->row, result, run.unit_cut);
  Identities ids = naming.get();
  throw_if_interrupted();
  write_output(in, full, merged, std::move(ids), written, output);
  if (!run.scratch.empty() && o.work.empty()) remove_scratch(run.scratch);
  return DONE;
}

}  // namespace

int run_command(Format format, const std::string& input, const std::string& output,
                const RunOptions& o) {
  ChainRun run;
  int status = REFUSED;
  try {
    status = run_steps(format, input, output, o, run);
  } catch (const Interrupted& i) {
    // The chain's programs have ended; OUTPUT and its list of copies are as they were.
    const std::string& scratch = run.scratch;
    std::string kept;
    if (!scratch.empty() && o.work.empty()) remove_scratch(scratch);
    if (!scratch.empty() && !o.work.empty()) kept = "; the chain's files are kept in " + scratch;
    end_by_interrupt(i.signal, "nothing written" + kept);
  }
  // A signal that came once the outputs were being written: they were written in full.
  if (const int sig = interrupt_signal())
    end_by_interrupt(sig, status == DONE ? "it came after " + output + " was written in full"
                                         : "nothing written");
  return status;
}

}  // namespace loopcut::prep
