#include "ped_prep/genotypes/locus_phenotypes.hpp"

#include <algorithm>

#include "ped_prep/genotypes/elimination.hpp"

namespace loopcut::prep::locus_phenotypes_detail {

bool prices(const DataItem& item) {
  return item.kind == DataItemKind::marker ||
         (item.kind == DataItemKind::affection && !item.penetrance.empty());
}

// A whole number of the file, or -1.
int number_of(const std::string& text) { return whole_number(text).value_or(-1); }

// The allele (from 0) that the text names; -1 for a missing or unknown one.
int allele_of(const PricedLocus& locus, const std::string& text) {
  if (text == "0") return -1;
  if (locus.item->alleles > 0) {
    const int n = number_of(text);
    return n >= 1 && n <= locus.alleles ? n - 1 : -1;
  }
  for (std::size_t a = 0; a < locus.allele_names.size(); ++a)
    if (locus.allele_names[a] == text) return static_cast<int>(a);
  return -1;
}

std::vector<char> marker_genotypes(const PricedLocus& locus, const std::vector<std::string>& c) {
  const int n = locus.alleles;
  const int a = allele_of(locus, c[0]), b = allele_of(locus, c[1]);
  std::vector<char> set(static_cast<std::size_t>(genotype_count(n)), a < 0 && b < 0);
  if (a >= 0 && b >= 0) {
    set[static_cast<std::size_t>(genotype_index(n, a, b))] = 1;
  } else if (a >= 0 || b >= 0) {
    for (int other = 0; other < n; ++other)
      set[static_cast<std::size_t>(genotype_index(n, a >= 0 ? a : b, other))] = 1;
  }
  return set;
}

// The liability class (from 1) of a row, 1 when the locus has one class.
std::size_t liability_class(const PricedLocus& locus, const std::vector<std::string>& c) {
  if (c.size() < 2) return 1;
  const int k = number_of(c[1]);
  return k >= 1 && static_cast<std::size_t>(k) <= locus.item->penetrance.size()
             ? static_cast<std::size_t>(k)
             : 0;
}

std::vector<char> affection_genotypes(const PricedLocus& locus,
                                      const std::vector<std::string>& c) {
  const std::size_t g = static_cast<std::size_t>(genotype_count(locus.alleles));
  const std::size_t k = liability_class(locus, c);
  const std::string status = c.empty() ? "0" : c[0];
  if (k == 0 || (status != "1" && status != "2")) return std::vector<char>(g, 1);
  const std::vector<double>& pen = locus.item->penetrance[k - 1];
  std::vector<char> set(g, 0);
  for (std::size_t i = 0; i < g && i < pen.size(); ++i)
    set[i] = status == "2" ? pen[i] > 0.0 : pen[i] < 1.0;
  return set;
}

// The columns of every record at the item that starts at `column` of its further columns.
// Each record's further columns, split once for all the loci; none for an added record.
using RecordItems = std::vector<std::vector<std::string_view>>;

RecordItems record_items(const PedigreeInput& in) {
  RecordItems items(in.people.size());
  for (std::size_t i = 0; i < in.people.size(); ++i)
    if (!in.people[i].added) items[i] = further_items(in.people[i].extra);
  return items;
}

std::vector<std::vector<std::string>> record_columns(const RecordItems& items,
                                                     const DataItem& item, std::size_t column) {
  std::vector<std::vector<std::string>> by_person(items.size());
  const std::size_t width = static_cast<std::size_t>(item_columns(item));
  for (std::size_t i = 0; i < items.size(); ++i)
    for (std::size_t c = column; c < column + width && c < items[i].size(); ++c)
      by_person[i].emplace_back(items[i][c]);
  return by_person;
}

// A marker's alleles as the records show them, in the order first seen.
std::vector<std::string> seen_alleles(const std::vector<std::vector<std::string>>& by_person) {
  std::vector<std::string> seen;
  for (const std::vector<std::string>& c : by_person)
    for (const std::string& allele : c)
      if (allele != "0" && std::find(seen.begin(), seen.end(), allele) == seen.end())
        seen.push_back(allele);
  return seen;
}

std::vector<std::string> numbered_alleles(int n) {
  std::vector<std::string> names;
  for (int a = 1; a <= n; ++a) names.push_back(std::to_string(a));
  return names;
}

PricedLocus priced_locus(const DataItem& item, const RecordItems& items, const Prepared& p,
                         std::size_t column) {
  PricedLocus locus;
  locus.item = &item;
  const std::vector<std::vector<std::string>> by_person = record_columns(items, item, column);
  if (item.alleles > 0) {
    locus.allele_names = numbered_alleles(item.alleles);
  } else {
    locus.allele_names = seen_alleles(by_person);
    // A marker of one seen allele still has another, as the weights of typed rows count it.
    while (locus.allele_names.size() < 2) locus.allele_names.push_back("other");
  }
  locus.alleles = static_cast<int>(locus.allele_names.size());
  for (const ChainRow& row : p.rows)
    locus.columns.push_back(row.person >= 0 ? by_person[static_cast<std::size_t>(row.person)]
                                            : std::vector<std::string>());
  return locus;
}

}  // namespace loopcut::prep::locus_phenotypes_detail

namespace loopcut::prep {

std::vector<PricedLocus> priced_loci(const DataLayout& layout, const PedigreeInput& in,
                                     const Prepared& p) {
  using namespace locus_phenotypes_detail;
  const RecordItems items = record_items(in);
  std::vector<PricedLocus> loci;
  std::size_t column = 0;
  for (const DataItem& item : layout.items) {
    if (prices(item)) loci.push_back(priced_locus(item, items, p, column));
    column += static_cast<std::size_t>(item_columns(item));
  }
  return loci;
}

std::vector<char> starting_genotypes(const PricedLocus& locus, std::size_t row) {
  using namespace locus_phenotypes_detail;
  const std::vector<std::string>& c = locus.columns[row];
  if (locus.item->kind == DataItemKind::affection) return affection_genotypes(locus, c);
  if (c.size() < 2)
    return std::vector<char>(static_cast<std::size_t>(genotype_count(locus.alleles)), 1);
  return marker_genotypes(locus, c);
}

std::string locus_name(const PricedLocus& locus) {
  return (locus.item->kind == DataItemKind::marker ? "marker " : "affection status ") +
         locus.item->name;
}

std::string phenotype_text(const PricedLocus& locus, std::size_t row) {
  const std::vector<std::string>& c = locus.columns[row];
  if (c.empty()) return "untyped";
  if (locus.item->kind == DataItemKind::marker) return c[0] + "/" + (c.size() > 1 ? c[1] : "");
  const std::string status = c[0] == "2" ? "affected" : c[0] == "1" ? "unaffected" : "unknown";
  return c.size() > 1 ? status + ", class " + c[1] : status;
}

std::string genotype_text(const PricedLocus& locus, int genotype) {
  for (int a = 0; a < locus.alleles; ++a)
    for (int b = a; b < locus.alleles; ++b)
      if (genotype_index(locus.alleles, a, b) == genotype)
        return locus.allele_names[static_cast<std::size_t>(a)] + "/" +
               locus.allele_names[static_cast<std::size_t>(b)];
  return "?";
}

}  // namespace loopcut::prep
