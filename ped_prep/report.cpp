#include "ped_prep/report.hpp"

#include <iostream>

#include "ped_prep/commands.hpp"
#include "ped_prep/loops.hpp"

namespace loopcut::prep {

int refuse(const std::string& input, const std::vector<std::string>& problems) {
  std::cout.flush();
  std::cerr << "ped_prep: " << input << " refused, " << problems.size() << " problem"
            << (problems.size() == 1 ? "" : "s") << ":\n";
  for (const std::string& p : problems) std::cerr << "  " << p << '\n';
  return REFUSED;
}

namespace {
std::string plural(long n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}
}  // namespace

void print_import_summary(std::ostream& out, const PedigreeInput& in, const Prepared& p) {
  const int n = static_cast<int>(p.rows.size());
  std::vector<int> fa(n), mo(n), group(n);
  for (int r = 0; r < n; ++r) {
    fa[r] = p.rows[r].fa - 1;
    mo[r] = p.rows[r].mo - 1;
    group[r] = p.rows[r].ped - 1;
  }
  const LoopAnalysis loops = analyse_loops(fa, mo, group, p.pedigrees);
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
