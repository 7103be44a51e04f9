// The check's table and findings, as every command shows them.
#include <iomanip>
#include <ostream>

#include "ped_prep/pipeline/check.hpp"

namespace loopcut::prep {

namespace {

void print_row(std::ostream& out, const std::string& first, const PedigreeCounts& c, bool cut) {
  out << std::setw(9) << first << std::setw(12) << c.individuals << std::setw(10) << c.founders
      << std::setw(12) << c.one_parent << std::setw(8) << c.loops << std::setw(10) << c.on_loops;
  if (cut) {
    out << std::setw(8) << c.left << std::setw(10) << c.breakers << std::setw(8) << c.copies
        << std::setw(6) << c.lost;
  }
  out << '\n';
}

void print_list(std::ostream& out, const std::string& title, const std::vector<std::string>& items) {
  if (items.empty()) return;
  out << title << " (" << items.size() << "):\n";
  const std::size_t shown = items.size() <= 25 ? items.size() : 20;
  for (std::size_t i = 0; i < shown; ++i) out << "  " << items[i] << '\n';
  if (shown < items.size()) out << "  ... and " << items.size() - shown << " more\n";
}

}  // namespace

void print_check(const CheckResult& res, std::ostream& out, bool all) {
  const bool every = all || res.pedigrees.size() <= 20;
  out << " pedigree individuals  founders  one-parent   loops  on loops";
  if (res.with_cut) out << "    left  breakers  copies  lost";
  out << '\n';
  int hidden = 0;
  for (const PedigreeCounts& c : res.pedigrees) {
    if (!every && c.loops == 0 && c.left == 0 && c.lost == 0 && c.copies == 0) {
      ++hidden;
      continue;
    }
    print_row(out, std::to_string(c.number), c, res.with_cut);
  }
  print_row(out, "total", res.total, res.with_cut);
  if (hidden > 0) {
    out << "(" << hidden << " of " << res.pedigrees.size()
        << " pedigrees without loops not shown; --all shows them)\n";
  }
  print_list(out, "problems in the files", res.problems);
  print_list(out, "individuals lost", res.lost);
  if (res.with_cut) {
    if (res.total.left == 0 && res.total.lost == 0 && res.problems.empty()) {
      out << "no loops left, nobody lost\n";
    } else {
      int with_left = 0;
      for (const PedigreeCounts& c : res.pedigrees)
        if (c.left > 0) ++with_left;
      out << res.total.left << " loop" << (res.total.left == 1 ? "" : "s") << " left in "
          << with_left << " pedigree" << (with_left == 1 ? "" : "s") << ", " << res.total.lost
          << " individual" << (res.total.lost == 1 ? "" : "s") << " lost\n";
    }
  }
}

bool check_passed(const CheckResult& res) {
  return res.problems.empty() && (!res.with_cut || (res.total.left == 0 && res.total.lost == 0));
}

}  // namespace loopcut::prep
