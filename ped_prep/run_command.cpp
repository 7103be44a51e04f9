// ped_prep run: import, the chain in a scratch directory, the check, and the export.
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <unordered_map>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_reader.hpp"
#include "common/free_writer.hpp"
#include "common/par.hpp"
#include "common/text_file.hpp"
#include "ped_prep/chain_ceilings.hpp"
#include "ped_prep/check.hpp"
#include "ped_prep/child_process.hpp"
#include "ped_prep/commands.hpp"
#include "ped_prep/export.hpp"
#include "ped_prep/loops.hpp"
#include "ped_prep/name_index.hpp"
#include "ped_prep/negative_weights.hpp"
#include "ped_prep/prepare.hpp"
#include "ped_prep/report.hpp"
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

// Shows how far a chain program has come: one line rewritten in place on a terminal, a line
// every few seconds otherwise.
class Progress {
 public:
  Progress(std::string program, int pedigrees)
      : program_(std::move(program)), pedigrees_(pedigrees), tty_(isatty(2) != 0),
        started_(std::chrono::steady_clock::now()), last_(started_) {}

  void line(const std::string& text) {
    std::istringstream s(text);
    std::string word;
    s >> word;
    if (word == "PEDIGREE:") {
      s >> pedigree_;
      step_ = 0;
    } else if (word.rfind("STEP=", 0) == 0) {
      std::string rest = word.substr(5);
      if (rest.empty()) s >> rest;
      step_ = std::atoi(rest.c_str());
    } else {
      return;
    }
    const auto now = std::chrono::steady_clock::now();
    const auto wait = tty_ ? std::chrono::milliseconds(200) : std::chrono::milliseconds(10000);
    if (now - last_ < wait) return;
    last_ = now;
    shown_ = true;
    const long seconds =
        std::chrono::duration_cast<std::chrono::seconds>(now - started_).count();
    std::ostringstream m;
    m << program_ << ": pedigree " << pedigree_ << " of " << pedigrees_;
    if (step_ > 0) m << ", step " << step_;
    m << " (" << seconds << " s)";
    if (tty_) {
      std::cerr << '\r' << m.str() << "\033[K" << std::flush;
    } else {
      std::cerr << m.str() << '\n';
    }
  }

  void done() {
    if (tty_ && shown_) std::cerr << "\r\033[K" << std::flush;
  }

 private:
  std::string program_;
  int pedigrees_;
  bool tty_;
  std::chrono::steady_clock::time_point started_, last_;
  int pedigree_ = 0;
  int step_ = 0;
  bool shown_ = false;
};

// What a chain program said when it stopped, in the user's terms.
std::string explain(const std::string& line) {
  std::istringstream s(line);
  std::string what;
  long found = 0, capacity = 0;
  s >> what >> found >> capacity;
  if (what == "ndat>N_SIZE:")
    return std::to_string(found) + " records, more than the optimiser's " + std::to_string(capacity);
  if (what == "nfam>N_FAM:")
    return "more pedigrees than the optimiser's table holds (" + std::to_string(capacity - 2) + ")";
  if (what == "max_spou+2>M_STAR:")
    return "an individual with " + std::to_string(found) + " mates, more than the optimiser's " +
           std::to_string(capacity - 2);
  if (line.find("iistep<0") != std::string::npos)
    return "the optimiser's step search failed (a pedigree whose stars all join two or more mates)";
  if (line.find("there is not breaker") != std::string::npos)
    return "the cutter met a breaker that is not in the pedigree file";
  if (line.find("Increase parameter N_SIZE") != std::string::npos)
    return "the cut pedigree needs more rows than the cutter's " + std::to_string(n_size());
  if (line.find("Increase parameter N_STAR") != std::string::npos)
    return "more stars than the chain's " + std::to_string(n_star());
  return line;
}

bool is_stop_line(const std::string& line) {
  return line.find("ERROR") != std::string::npos || line.find(">N_SIZE:") != std::string::npos ||
         line.find(">N_FAM:") != std::string::npos || line.find(">M_STAR:") != std::string::npos ||
         line.find(">N_STAR:") != std::string::npos;
}

struct ChainStop {
  std::string message;
};

// Runs one program of the chain in `dir`; a ChainStop when it stopped short. `seen` gets every
// line of its standard output as well.
void run_chain_program(const std::string& bin, const std::string& program, const std::string& dir,
                       int pedigrees,
                       const std::function<void(const std::string&)>& seen = nullptr) {
  Progress progress(program, pedigrees);
  std::vector<std::string> stops;
  int current = 0;
  const ChildResult r = run_child(bin + "/" + program, dir, dir + "/" + program + ".log",
                                  [&](const std::string& line) {
                                    if (line.find("PEDIGREE:") != std::string::npos) {
                                      std::istringstream s(line);
                                      std::string w;
                                      s >> w >> current;
                                    }
                                    if (is_stop_line(line)) stops.push_back(line);
                                    if (seen) seen(line);
                                    progress.line(line);
                                  });
  progress.done();
  std::string error = r.error;
  while (!error.empty() && (error.back() == '\n' || error.back() == '\r')) error.pop_back();
  if (stops.empty() && error.empty() && r.status == 0) return;
  std::string message = program + " stopped";
  if (current > 0 && program == "cut_select") message += " at pedigree " + std::to_string(current);
  const std::string said = !stops.empty() ? stops.front() : error;
  if (!said.empty()) message += ": " + explain(said);
  if (said.empty()) message += " with exit status " + std::to_string(r.status);
  throw ChainStop{message};
}

// Reads relationship values keyed by the input's identifiers and writes them keyed by rows, as
// cost_prep reads them: rrr.dat, the list file and task_w_fin.inp.
void write_relationships(const PedigreeInput& in, const Prepared& chain, const RunOptions& o,
                         const std::string& dir) {
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
        take(0, std::string(w.back()));
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
      const int row = chain.row_of[person];
      if (row == 0) continue;  // a pedigree without loops: no weight needed
      take(row, values ? std::string(w.back()) : std::string());
    }
  };
  OutputFile rrr(dir + "/rrr.dat", OutputFile::Mode::in_place);
  read_lines(o.weights, true, [&](int row, const std::string& value) {
    char* end = nullptr;
    const float v = std::strtof(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0')
      throw InputError(o.weights, "\"" + value + "\" is not a number");
    rrr.line((FreeLine() << row << v).str());
  });
  rrr.commit();
  OutputFile list(dir + "/list.dat", OutputFile::Mode::in_place);
  if (!o.doubled.empty())
    read_lines(o.doubled, false, [&](int row, const std::string&) { list.line((FreeLine() << row).str()); });
  list.commit();
  OutputFile task(dir + "/task_w_fin.inp", OutputFile::Mode::in_place);
  task.line((FreeLine() << static_cast<int>(chain.rows.size())).str());
  task.line("list.dat");
  task.commit();
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

// Runs cut_improve on the optimiser's report and says what the cut cost before and after.
void improve_cut(const std::string& bin, const std::string& dir, int pedigrees,
                 const RunOptions& o) {
  if (!o.improve_seconds.empty()) setenv("LOOPCUT_IMPROVE_SECONDS", o.improve_seconds.c_str(), 1);
  // " TOTAL BEFORE: COST= 153.0 STARS= 153", then the same for AFTER with a note on optimality.
  std::vector<std::string> before, after;
  run_chain_program(bin, "cut_improve", dir, pedigrees, [&](const std::string& line) {
    std::istringstream s(line);
    std::vector<std::string> words;
    for (std::string w; s >> w;) words.push_back(w);
    if (words.size() < 6 || words[0] != "TOTAL") return;
    (words[1] == "BEFORE:" ? before : after) = words;
  });
  if (before.empty() || after.empty()) throw ChainStop{"cut_improve wrote no total"};
  std::string note;
  for (std::size_t k = 6; k < after.size(); ++k) note += " " + after[k];
  std::cout << "cut: cost " << before[3] << " before cut_improve, " << after[3] << " after ("
            << before[5] << " -> " << after[5] << " stars)," << note << '\n'
            << std::flush;
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
  PrepareOptions po;
  po.keep_one_parent = o.keep_one_parent;
  const Prepared full = prepare(in, parents, po);
  for (const std::string& note : in.notes) std::cout << "note: " << note << '\n';
  print_import_summary(std::cout, in, full);

  // Only the pedigrees with loops need the chain; the others pass by it unchanged.
  const ChainFile imported = as_chain_file(full, input);
  {
    const IndexedPedigree ix = index_pedigree(imported);
    LoopAnalysis loops = analyse_loops(ix.fa, ix.mo, ix.group, full.pedigrees);
    std::vector<char> looped(static_cast<std::size_t>(full.pedigrees), 0);
    for (int g = 0; g < full.pedigrees; ++g) looped[g] = loops.loops[g] > 0;
    const Prepared chain = select_pedigrees(full, looped);
    problems = raise_chain_ceilings(in, chain);
    if (!problems.empty()) {
      std::cerr << "ped_prep: the chain cannot take the pedigrees with loops of " << input << ":\n";
      for (const std::string& p : problems) std::cerr << "  " << p << '\n';
      return REFUSED;
    }

    ChainFile cut;
    std::string scratch;
    if (!chain.rows.empty()) {
      scratch = make_scratch(o);
      const std::string bin = o.bin_dir.empty() ? own_directory() : fs::absolute(o.bin_dir).string();
      write_pedigree_file(chain, scratch + "/" + PEDIGREE_FILE);
      write_label_map(in, chain, scratch + "/" + LABEL_MAP);
      std::string weights = WEIGHT_FILE;
      try {
        std::cout << "chain: " << chain.pedigrees << " pedigree" << (chain.pedigrees == 1 ? "" : "s")
                  << " with loops, " << chain.rows.size() << " records, in " << scratch << '\n'
                  << std::flush;
        if (!o.weights.empty()) {
          try {
            write_relationships(in, chain, o, scratch);
          } catch (const InputError&) {
            // A fault of the user's files: nothing of the chain ran, nothing to keep.
            if (o.work.empty()) {
              std::error_code ec;
              fs::remove_all(scratch, ec);
            }
            throw;
          }
          run_chain_program(bin, "cost_prep", scratch, 0);
          weights = o.transform == "sqrt" ? "w_s.dat" : o.transform == "log" ? "w_l.dat" : "w_0.dat";
          report_zeroed_weights(in, chain, zero_negative_weights(scratch + "/" + weights));
        } else {
          write_unit_weights(chain, scratch + "/" + WEIGHT_FILE);
        }
        write_task_file(scratch + "/" + TASK_FILE, weights);
        run_chain_program(bin, "cut_select", scratch, chain.pedigrees);
        if (o.improve) improve_cut(bin, scratch, chain.pedigrees, o);
        run_chain_program(bin, "ped_cut", scratch, chain.pedigrees);
        if (!fs::exists(scratch + "/" + CUT_FILE)) throw ChainStop{"ped_cut wrote no cut file"};
        cut = read_chain_file(scratch + "/" + CUT_FILE);
      } catch (const ChainStop& stop) {
        std::cerr << "ped_prep: " << stop.message << "\nthe chain's files are kept in " << scratch
                  << '\n';
        return REFUSED;
      } catch (const std::exception& e) {
        std::cerr << "ped_prep: " << e.what() << '\n';
        if (fs::exists(scratch)) std::cerr << "the chain's files are kept in " << scratch << '\n';
        return REFUSED;
      }
    } else {
      cut.file = "(no pedigree with loops)";
    }
    const ChainFile merged = merge(cut, full, looped);

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
    const int side = export_pedigree(in, full, merged, output);
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
