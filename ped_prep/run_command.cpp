// ped_prep run: import, the chain in a scratch directory, the check, and the export.
#include <unistd.h>

#include <filesystem>
#include <future>
#include <iostream>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_writer.hpp"
#include "common/par.hpp"
#include "common/text_file.hpp"
#include "cut_improve/cut_improve.hpp"
#include "ped_prep/batches.hpp"
#include "ped_prep/chain_ceilings.hpp"
#include "ped_prep/check.hpp"
#include "ped_prep/child_process.hpp"
#include "ped_prep/commands.hpp"
#include "ped_prep/export.hpp"
#include "ped_prep/loops.hpp"
#include "ped_prep/name_index.hpp"
#include "ped_prep/prepare.hpp"
#include "ped_prep/report.hpp"
#include "ped_prep/run_chain.hpp"
#include "ped_prep/write_chain_dir.hpp"

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

// Relationship values and doubled stars by person (index into the input's people; -1 for the
// whole pedigree's value), in the order of their files.
struct PersonValues {
  std::vector<std::pair<int, float>> values;
  std::vector<int> doubled;
};

// Reads relationship values and doubled stars keyed by the input's identifiers.
PersonValues read_relationships(const PedigreeInput& in, const RunOptions& o) {
  // The people by family and identifier, and by identifier alone where it is used once.
  const int n = static_cast<int>(in.people.size());
  auto name_of = [&](int i) { return NameKey{in.people[i].family, in.people[i].id}; };
  auto id_of = [&](int i) { return NameKey{{}, in.people[i].id}; };
  NameIndex by_name(name_of, in.people.size());
  NameIndex by_id(id_of, in.people.size());
  std::vector<char> shared_id(in.people.size(), 0);
  for (int i = 0; i < n; ++i) {
    by_name.insert(i);
    const int first = by_id.insert(i);
    if (first != i) shared_id[first] = 1;
  }
  // One record per line: [family] identifier, then (for values) the value.
  auto read_lines = [&](const std::string& file, bool values,
                        const std::function<void(int, const std::string&)>& take) {
    const TextFile text = read_text_file(file);
    int line_no = 0;
    bool first = values;
    std::vector<std::string_view> w;
    for (const std::string& line : text.lines) {
      ++line_no;
      // Words separated by blanks, commas, tabs or carriage returns.
      w.clear();
      const char* const separators = " ,\t\r\n\v\f";
      for (std::size_t end = 0;;) {
        const std::size_t start = line.find_first_not_of(separators, end);
        if (start == std::string::npos) break;
        end = std::min(line.find_first_of(separators, start), line.size());
        w.push_back(std::string_view(line).substr(start, end - start));
      }
      if (w.empty() || w[0][0] == '#') continue;
      if (first) {
        // The relationship of the whole pedigree, alone or after a star number 0.
        take(-1, std::string(w.back()));
        first = false;
        continue;
      }
      const std::size_t ids = values ? w.size() - 1 : w.size();
      if (ids < 1 || ids > 2) throw InputError(file + ":" + std::to_string(line_no), "expected [family] identifier" + std::string(values ? " value" : ""));
      int person = ids == 2 ? by_name.find(NameKey{w[0], w[1]}) : by_id.find(NameKey{{}, w[0]});
      const bool ambiguous = ids == 1 && person >= 0 && shared_id[person];
      if (person < 0 || ambiguous) {
        std::string k = ids == 2 ? std::string(w[1]) + " of family " + std::string(w[0]) : std::string(w[0]);
        throw InputError(file + ":" + std::to_string(line_no), "no individual " + k + (ambiguous ? " (the identifier is used in several families: give the family)" : ""));
      }
      take(person, values ? std::string(w.back()) : std::string());
    }
  };
  PersonValues read;
  read_lines(o.weights, true, [&](int person, const std::string& value) {
    char* end = nullptr;
    const float v = std::strtof(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0')
      throw InputError(o.weights, "\"" + value + "\" is not a number");
    read.values.emplace_back(person, v);
  });
  if (!o.doubled.empty())
    read_lines(o.doubled, false,
               [&](int person, const std::string&) { read.doubled.push_back(person); });
  return read;
}

// The values keyed by rows of the chain's pedigree file, as cost_prep reads them (rrr.dat and
// the list file); people in pedigrees without loops need no weight.
Relationships by_rows(const PersonValues& read, const Prepared& chain) {
  Relationships rel;
  for (const auto& [person, value] : read.values) {
    const int row = person < 0 ? 0 : chain.row_of[static_cast<std::size_t>(person)];
    if (person < 0 || row != 0) rel.values.emplace_back(row, value);
  }
  for (const int person : read.doubled)
    if (const int row = chain.row_of[static_cast<std::size_t>(person)]; row != 0)
      rel.doubled.push_back(row);
  return rel;
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

// Says what the cut cost before and after cut_improve.
void report_improvement(const ImproveTotals& t) {
  std::cout << "cut: cost " << t.cost_before << " before cut_improve, " << t.cost_after
            << " after (" << t.stars_before << " -> " << t.stars_after << " stars), "
            << (t.proven ? "proven optimal" : "not proven optimal") << '\n'
            << std::flush;
}

// The work budget of cut_improve in each batch: the budget asked for shared among the batches
// equally, whatever runs at once, so that the cut does not depend on --jobs.
void share_improve_budget(const RunOptions& o, std::size_t batches) {
  if (!o.improve_seconds.empty()) setenv("LOOPCUT_IMPROVE_BUDGET", o.improve_seconds.c_str(), 1);
  if (batches <= 1) return;
  const double seconds = improve_budget() / static_cast<double>(batches);
  setenv("LOOPCUT_IMPROVE_BUDGET", std::to_string(seconds).c_str(), 1);
}

std::string make_scratch(const RunOptions& o) {
  if (!o.work.empty()) return make_fresh_directory(o.work);
  std::string tmpl = (fs::temp_directory_path() / "ped_prep-XXXXXX").string();
  if (mkdtemp(tmpl.data()) == nullptr) throw InputError(tmpl, "cannot make a scratch directory");
  return tmpl;
}

}  // namespace

int run_command(Format format, const std::string& input, const std::string& output,
                const RunOptions& o) {
  refuse_overwriting({input, o.weights, o.doubled}, {output, copies_file_name(output)});
  PedigreeInput in = read_input(format, input);
  if (o.add_missing_parents) add_missing_parents(in);
  Parents parents;
  std::vector<std::string> problems = validate(in, parents);
  if (!problems.empty()) return refuse(input, problems, advice(in, o.add_missing_parents));
  // The relationship values are read while the pedigree is prepared.
  std::future<PersonValues> relationships;
  if (!o.weights.empty())
    relationships = std::async(std::launch::async, [&] { return read_relationships(in, o); });
  PrepareOptions po;
  po.keep_one_parent = o.keep_one_parent;
  const Prepared full = prepare(in, parents, po);
  // Only the pedigrees with loops need the chain; the others pass by it unchanged.
  const ChainFile imported = as_chain_file(full, input);
  {
    const IndexedPedigree ix = index_pedigree(imported);
    LoopAnalysis loops = analyse_loops(ix.fa, ix.mo, ix.group, full.pedigrees);
    for (const std::string& note : in.notes) std::cout << "note: " << note << '\n';
    print_import_summary(std::cout, in, full, loops);
    std::vector<char> looped(static_cast<std::size_t>(full.pedigrees), 0);
    for (int g = 0; g < full.pedigrees; ++g) looped[g] = loops.loops[g] > 0;
    const Prepared chain = select_pedigrees(full, looped);
    const std::vector<PedigreeLoad> loads = pedigree_loads(chain);
    const std::vector<Batch> batches =
        plan_batches(loads, BatchLimits{CEILING_LIMIT, o.batch_records});
    raise_chain_ceilings(batch_needs(loads, batches));
    problems = batch_capacity_problems(in, chain, loads, batches);
    if (!problems.empty()) {
      std::cerr << "ped_prep: the chain cannot take the pedigrees with loops of " << input << ":\n";
      for (const std::string& p : problems) std::cerr << "  " << p << '\n';
      return REFUSED;
    }

    ChainFile cut;
    std::string scratch;
    if (!chain.rows.empty()) {
      ChainSettings settings;
      if (!o.weights.empty()) {
        settings.relationships = by_rows(relationships.get(), chain);
        settings.weight_file = o.transform == "sqrt"  ? "w_s.dat"
                               : o.transform == "log" ? "w_l.dat"
                                                      : "w_0.dat";
      }
      if (o.improve) share_improve_budget(o, batches.size());
      scratch = make_scratch(o);
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
        if (result.improved) report_improvement(*result.improved);
        cut = std::move(result.cut);
      } catch (const ChainFailure& failure) {
        std::cerr << "ped_prep: " << failure.message << "\nthe chain's files are kept in "
                  << failure.kept << '\n';
        return REFUSED;
      }
    } else {
      cut.file = "(no pedigree with loops)";
    }
    const ChainFile merged = merge(cut, full, looped);

    // Naming the records for the export reads what the check reads: both at once.
    std::future<Identities> naming =
        std::async(std::launch::async, [&] { return identify(in, full, merged); });
    const CheckResult result = check_pedigrees(imported, ix, std::move(loops), &merged);
    std::cout << '\n';
    print_check(result, std::cout, o.all);
    if (!check_passed(result)) {
      // A result with loops left or someone lost is no answer: nothing is written under the
      // requested name, and the chain's files stay for a look.
      std::cout.flush();
      std::cerr << "ped_prep: " << output << " not written: the cut left loops or lost someone\n";
      if (!scratch.empty()) std::cerr << "the chain's files are kept in " << scratch << '\n';
      return REFUSED;
    }
    if (format == Format::chain && !merged.records.empty() &&
        (merged.records.size() > static_cast<std::size_t>(CEILING_LIMIT) ||
         merged.records.back().ped > CEILING_LIMIT)) {
      std::cerr << "ped_prep: " << output << " not written: the cut pedigree has "
                << merged.records.size() << " records, more than the chain's format can number ("
                << CEILING_LIMIT << "); write it as linkage or fam\n";
      if (!scratch.empty()) std::cerr << "the chain's files are kept in " << scratch << '\n';
      return REFUSED;
    }
    const int side = export_pedigree(in, full, merged, naming.get(), output);
    const bool side_file = output != "-" && !is_special_file(output);
    std::cout << "wrote " << (output == "-" ? "standard output" : output) << " ("
              << format_name(format) << ") and "
              << (side_file ? copies_file_name(output) : "the list of copies above") << " ("
              << side << " line" << (side == 1 ? "" : "s") << ")\n";
    if (!scratch.empty() && o.work.empty()) {
      std::error_code ec;
      fs::remove_all(scratch, ec);
    }
    return DONE;
  }
}

}  // namespace loopcut::prep
