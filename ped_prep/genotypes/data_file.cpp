#include "ped_prep/genotypes/locus_layout.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <stdexcept>
#include <unordered_set>

#include "common/errors.hpp"
#include "common/text_file.hpp"

// The helpers live in a namespace of their own: the library is compiled in batches of sources,
// where names of unnamed namespaces in the same namespace would meet.
namespace loopcut::prep::genotype_detail {
namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::string quoted(std::string_view text) { return "\"" + shown_text(text) + "\""; }

std::string column_count(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " column" : " columns");
}

// The kind of a data file code; false for an unknown code.
bool kind_of_code(std::string_view code, DataItemKind& kind) {
  if (code.size() != 1) return false;
  switch (code[0]) {
    case 'A': case 'a': kind = DataItemKind::affection; return true;
    case 'T': case 't': kind = DataItemKind::trait; return true;
    case 'C': case 'c': kind = DataItemKind::covariate; return true;
    case 'M': case 'm': kind = DataItemKind::marker; return true;
    case 'S': case 's': kind = DataItemKind::skip; return true;
    default: return false;
  }
}

bool is_end_code(std::string_view code) { return code == "E" || code == "e"; }

// One line of the data file that is neither blank, a comment nor the end: a code and a name.
DataItem data_item(const std::vector<std::string_view>& items, const std::string& file,
                   int line_no, const std::string& line) {
  DataItem item;
  item.line = line_no;
  if (!kind_of_code(items[0], item.kind))
    throw InputError(file, line_no, "a code A, T, C, M, S or E", quoted(items[0]), shown_text(line));
  const std::string code(items[0]);
  if (items.size() == 1)
    throw InputError(file, line_no, "a name after " + code, "nothing", shown_text(line));
  if (items.size() > 2)
    throw InputError(file, line_no, "one name after " + code,
                     std::to_string(items.size() - 1) + " items", shown_text(line));
  item.name = std::string(items[1]);
  return item;
}

}  // namespace
}  // namespace loopcut::prep::genotype_detail

namespace loopcut::prep {

std::vector<std::string_view> further_items(std::string_view further) {
  std::vector<std::string_view> items;
  std::size_t pos = 0;
  while (true) {
    while (pos < further.size() && genotype_detail::is_blank(further[pos])) ++pos;
    if (pos == further.size()) break;
    const std::size_t start = pos;
    while (pos < further.size() && !genotype_detail::is_blank(further[pos])) ++pos;
    items.push_back(further.substr(start, pos - start));
  }
  return items;
}

DataLayout read_data_lines(const std::vector<std::string>& lines, const std::string& file) {
  DataLayout layout;
  layout.file = file;
  int line_no = 0;
  for (const std::string& line : lines) {
    ++line_no;
    const std::vector<std::string_view> items = further_items(line);
    if (items.empty() || items[0].front() == '#') continue;
    // Whatever follows E is no part of the layout.
    if (genotype_detail::is_end_code(items[0])) break;
    layout.items.push_back(genotype_detail::data_item(items, file, line_no, line));
  }
  // Without a marker every weight would be 0 and the cut arbitrary.
  if (layout_markers(layout) == 0)
    throw InputError(file, "no marker (an M line): genotype weights need at least one");
  return layout;
}

DataLayout read_data_file(const std::string& file) {
  return read_data_lines(read_text_file(file).lines, file);
}

int item_columns(const DataItem& item) {
  if (item.columns > 0) return item.columns;
  return item.kind == DataItemKind::marker ? 2 : 1;
}

std::size_t layout_columns(const DataLayout& layout) {
  std::size_t n = 0;
  for (const DataItem& item : layout.items) n += static_cast<std::size_t>(item_columns(item));
  return n;
}

std::size_t layout_markers(const DataLayout& layout) {
  std::size_t n = 0;
  for (const DataItem& item : layout.items) n += item.kind == DataItemKind::marker ? 1 : 0;
  return n;
}

std::optional<std::string> row_column_problem(const DataLayout& layout, const std::string& file,
                                              int line, std::size_t found, std::string_view row,
                                              std::size_t fixed) {
  const std::size_t described = layout_columns(layout);
  if (found == described || (layout.more_columns_allowed && found > described))
    return std::nullopt;
  const std::string expected = std::string(layout.more_columns_allowed ? "at least " : "") +
                               genotype_detail::column_count(fixed + described) + " (" +
                               std::to_string(fixed) + " + " +
                               std::to_string(described) + " described by " + layout.file + ")";
  const std::string record = shown_text(row);
  return InputError(file, line, expected, std::to_string(fixed + found), record).what();
}

Genotypes row_genotypes(const DataLayout& layout, std::string_view further) {
  const std::vector<std::string_view> items = further_items(further);
  const std::size_t described = layout_columns(layout);
  if (items.size() != described && !(layout.more_columns_allowed && items.size() > described))
    throw std::invalid_argument("row_genotypes: the row does not fit the data file");
  Genotypes row;
  std::size_t column = 0;
  for (const DataItem& item : layout.items) {
    if (item.kind == DataItemKind::marker)
      row.push_back({std::string(items[column]), std::string(items[column + 1])});
    column += static_cast<std::size_t>(item_columns(item));
  }
  return row;
}

std::vector<int> allele_counts(const std::vector<Genotypes>& rows, std::size_t markers) {
  std::vector<std::unordered_set<std::string>> seen(markers);
  for (const Genotypes& row : rows)
    for (std::size_t m = 0; m < markers && m < row.size(); ++m)
      for (const std::string& allele : row[m])
        if (allele != "0") seen[m].insert(allele);
  std::vector<int> counts;
  for (const auto& alleles : seen) counts.push_back(std::max(2, static_cast<int>(alleles.size())));
  return counts;
}

double genotype_choices(int alleles, const Alleles& typed) {
  const int known = (typed[0] != "0") + (typed[1] != "0");
  if (known == 2) return 1.0;
  if (known == 1) return alleles;
  return alleles * (alleles + 1.0) / 2.0;
}

double genotype_weight(const Genotypes& row, const std::vector<int>& counts) {
  double weight = 0.0;
  for (std::size_t m = 0; m < counts.size() && m < row.size(); ++m)
    weight += std::log(genotype_choices(counts[m], row[m]));
  return weight;
}

double untyped_weight(const std::vector<int>& counts) {
  return genotype_weight(Genotypes(counts.size(), Alleles{"0", "0"}), counts);
}

double log10_combinations(const std::vector<double>& breaker_weights) {
  double sum = 0.0;
  for (double w : breaker_weights) sum += w;
  return sum / std::numbers::ln10;
}

std::string power_of_ten(double log10_value) {
  char text[64];
  // + 0.0 turns a -0.0 into 0.0, so that nothing prints "10^-0.0".
  std::snprintf(text, sizeof text, "10^%.1f", log10_value + 0.0);
  return text;
}

std::string combinations_line(double genotype_log10, double unit_log10,
                              const std::string& scope) {
  std::string line = "genotype combinations of the breakers after elimination: " + power_of_ten(genotype_log10) +
                     " (unit weights: " + power_of_ten(unit_log10) + ")";
  if (!scope.empty()) line += " in " + scope;
  return line;
}

}  // namespace loopcut::prep
