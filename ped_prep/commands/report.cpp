#include "ped_prep/commands/report.hpp"

#include <iostream>
#include <unordered_set>

#include "common/errors.hpp"

#include "ped_prep/commands/commands.hpp"
#include "ped_prep/pipeline/loops.hpp"
#include "ped_prep/pipeline/select.hpp"

namespace loopcut::prep {

std::vector<std::string> problem_lines(const std::vector<std::string>& problems) {
  std::unordered_set<std::string> seen;
  std::vector<std::string> lines;
  std::size_t more = 0;
  for (const std::string& p : problems) {
    if (!seen.insert(p).second) continue;
    if (lines.size() < PROBLEMS_SHOWN) {
      lines.push_back(visible(p));
    } else {
      ++more;
    }
  }
  if (more > 0)
    lines.push_back("and " + std::to_string(more) + " more problem" + (more == 1 ? "" : "s"));
  return lines;
}

int refuse(const std::string& input, const std::vector<std::string>& problems,
           const std::vector<std::string>& advice) {
  std::cout.flush();
  std::unordered_set<std::string> distinct(problems.begin(), problems.end());
  std::cerr << "ped_prep: " << visible(input) << " refused, " << distinct.size() << " problem"
            << (distinct.size() == 1 ? "" : "s") << ":\n";
  for (const std::string& line : problem_lines(problems)) std::cerr << "  " << line << '\n';
  for (const std::string& line : advice) std::cerr << visible(line) << '\n';
  return REFUSED;
}

namespace {
std::string plural(long n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}
}  // namespace

void print_import_summary(std::ostream& out, const PedigreeInput& in, const Prepared& p) {
  print_import_summary(out, in, p, analyse_prepared_loops(p));
}

void print_import_summary(std::ostream& out, const PedigreeInput& in, const Prepared& p,
                          const LoopAnalysis& loops) {
  long total = 0;
  int looped = 0, on_loops = 0;
  for (int g = 0; g < p.pedigrees; ++g) {
    total += loops.loops[g];
    if (loops.loops[g] > 0) ++looped;
    on_loops += loops.on_loop_count[g];
  }
  out << in.file << ": " << plural(static_cast<long>(in.people.size()), "individual") << " in "
      << plural(p.pedigrees, "pedigree") << ", " << plural(total, "loop") << " in " << looped
      << " of them, " << on_loops << " individuals on loops\n";
  if (p.one_parent_records > 0) {
    out << plural(p.one_parent_records, "record") << " with one known parent: ";
    if (p.added_parents > 0) {
      out << "added " << plural(p.added_parents, "parent")
          << " (one unknown mate per known parent) so that the optimiser sees their loops\n";
    } else {
      out << "kept as they are\n";
    }
  }
  if (p.sex_set > 0) {
    out << plural(p.sex_set, "individual") << " of unknown sex: in the chain parents take the "
        << "sex of their role and the others count as male; the output keeps the input's codes\n";
  }
}

}  // namespace loopcut::prep
