// The summary of cut_improve's cut, per pedigree with loops and in total.
#include "ped_prep/commands/improve_summary.hpp"

#include <iomanip>
#include <sstream>

namespace loopcut::prep {

namespace improve_summary_detail {

std::string table_row(const std::string& pedigree, const ImprovedCut& c) {
  std::ostringstream row;
  row << std::setw(9) << pedigree << std::setw(13) << c.cost_before << std::setw(12)
      << c.cost_after << std::setw(12) << c.bound.value_or("-") << std::setw(8)
      << c.gap.value_or("-");
  if (c.proven && c.bound) row << "  proven optimal";
  return row.str();
}

// The input's pedigree number of each pedigree of the chain (at chain number - 1).
std::vector<int> input_pedigrees(const std::vector<char>& looped) {
  std::vector<int> numbers;
  for (std::size_t g = 0; g < looped.size(); ++g)
    if (looped[g]) numbers.push_back(static_cast<int>(g + 1));
  return numbers;
}

std::string whole_cut_line(const ImprovedCut& t) {
  std::string line = "cut: cost " + t.cost_before + " before cut_improve, " + t.cost_after +
                     " after (" + std::to_string(t.stars_before) + " -> " +
                     std::to_string(t.stars_after) + " stars), ";
  if (t.proven) return line + "proven optimal";
  line += "not proven optimal";
  if (t.bound)
    line += " (no cut costs less than " + *t.bound + ": at most " + t.gap.value_or("?") +
            " % above the best)";
  return line;
}

}  // namespace improve_summary_detail

std::vector<std::string> improvement_lines(const ImproveReport& report,
                                           const std::vector<char>& looped) {
  using namespace improve_summary_detail;
  const std::vector<int> numbers = input_pedigrees(looped);
  std::vector<std::string> lines;
  lines.push_back("");
  lines.push_back(" pedigree  cost before  cost after       bound   gap %");
  for (const ImprovedCut& c : report.pedigrees) {
    const std::size_t k = static_cast<std::size_t>(c.pedigree - 1);
    lines.push_back(table_row(k < numbers.size() ? std::to_string(numbers[k]) : "?", c));
  }
  lines.push_back(table_row("total", report.total));
  lines.push_back(whole_cut_line(report.total));
  if (report.clock_stopped)
    lines.push_back(
        "cut_improve was stopped by LOOPCUT_IMPROVE_SECONDS before its work budget was spent: "
        "on another machine the cut may differ");
  return lines;
}

}  // namespace loopcut::prep
