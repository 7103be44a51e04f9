// Reading a LINKAGE locus file (datafile.dat): the loci that describe a pedigree file's columns
// after its first five, or nine in a post-makeped file. The file is line-oriented: each line
// holds the numbers a LINKAGE program reads from it, and the rest of the line (comments such as
// "<< GENE FREQUENCIES", class names such as "Normal") is ignored.
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "common/errors.hpp"
#include "common/text_file.hpp"
#include "ped_prep/genotypes/locus_layout.hpp"

namespace loopcut::prep::locus_file_detail {
namespace {

bool is_whole(std::string_view token) {
  if (!token.empty() && (token[0] == '-' || token[0] == '+')) token.remove_prefix(1);
  return !token.empty() && token.size() <= 9 &&
         token.find_first_not_of("0123456789") == std::string_view::npos;
}

bool real_value(std::string_view token, double& value) {
  if (!token.empty() && token[0] == '+') token.remove_prefix(1);
  const char* end = token.data() + token.size();
  const auto [ptr, ec] = std::from_chars(token.data(), end, value);
  return ec == std::errc() && ptr == end && std::isfinite(value);
}

std::string count_of(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

// The file's lines, read one after the other; blank lines are passed over.
class LocusLines {
 public:
  LocusLines(const std::vector<std::string>& lines, const std::string& file)
      : lines_(lines), file_(file) {}

  // The next line that is not blank, split into its items; `what` names what it must hold.
  void next(const std::string& what) {
    while (index_ < lines_.size() && further_items(lines_[index_]).empty()) ++index_;
    if (index_ == lines_.size())
      throw InputError(file_, static_cast<int>(index_) + 1, what, "the end of the file", "");
    what_ = what;
    items_ = further_items(lines_[index_]);
    ++index_;
  }

  int line() const { return static_cast<int>(index_); }

  // Item `k` of the current line as a whole number.
  int whole(std::size_t k) const {
    const std::string_view token = item(k);
    if (!is_whole(token)) refuse("\"" + shown_text(token) + "\"");
    return std::atoi(std::string(token).c_str());
  }

  double real(std::size_t k) const {
    double value = 0.0;
    if (!real_value(item(k), value)) refuse("\"" + shown_text(item(k)) + "\"");
    return value;
  }

  std::vector<double> reals(std::size_t n) const {
    std::vector<double> values;
    for (std::size_t k = 0; k < n; ++k) values.push_back(real(k));
    return values;
  }

  // Refuses the current line: it holds `found` where `what_` was expected.
  [[noreturn]] void refuse(const std::string& found) const { refuse(what_, found); }
  [[noreturn]] void refuse(const std::string& what, const std::string& found) const {
    throw InputError(file_, line(), what, found, shown_text(lines_[index_ - 1]));
  }

 private:
  std::string_view item(std::size_t k) const {
    if (k >= items_.size()) refuse("the end of the line");
    return items_[k];
  }

  const std::vector<std::string>& lines_;
  const std::string& file_;
  std::size_t index_ = 0;
  std::string what_;
  std::vector<std::string_view> items_;
};

enum LocusType { quantitative = 0, affection_status = 1, binary_factors = 2, numbered = 3 };

std::string locus_name(int k) { return "locus " + std::to_string(k); }

// Line 3: the order of the loci on the map, which must be a permutation of 1..n.
void read_order(LocusLines& in, int loci) {
  const std::string what = "the order of the " + count_of(loci, "locus", "loci") +
                           ", each of 1 to " + std::to_string(loci) + " once";
  in.next(what);
  std::vector<char> seen(static_cast<std::size_t>(loci), 0);
  for (int k = 0; k < loci; ++k) {
    const int locus = in.whole(static_cast<std::size_t>(k));
    if (locus < 1 || locus > loci || seen[static_cast<std::size_t>(locus - 1)])
      in.refuse(locus < 1 || locus > loci ? "locus " + std::to_string(locus)
                                          : "locus " + std::to_string(locus) + " twice");
    seen[static_cast<std::size_t>(locus - 1)] = 1;
  }
}

// The first number of the next line, which `what` names: at least 1.
int read_count(LocusLines& in, const std::string& what) {
  in.next(what + " (at least 1)");
  const int count = in.whole(0);
  if (count < 1) in.refuse(std::to_string(count));
  return count;
}

// An affection status locus after its gene frequencies: the liability classes and, per class,
// the penetrance of each genotype.
void read_affection(LocusLines& in, const std::string& name, DataItem& item) {
  const int classes = read_count(in, "the number of liability classes of " + name);
  const int genotypes = item.alleles * (item.alleles + 1) / 2;
  for (int c = 1; c <= classes; ++c) {
    in.next(count_of(genotypes, "penetrance", "penetrances") + " of " + name +
            ", liability class " + std::to_string(c) + " (each 0 to 1)");
    std::vector<double> row = in.reals(static_cast<std::size_t>(genotypes));
    for (double p : row)
      if (p < 0.0 || p > 1.0) {
        char text[40];
        std::snprintf(text, sizeof text, "%g", p);
        in.refuse(text);
      }
    item.penetrance.push_back(std::move(row));
  }
  item.kind = DataItemKind::affection;
  item.columns = classes > 1 ? 2 : 1;
}

// A binary factors locus: the number of factors, then per allele a line of its factors.
void read_binary_factors(LocusLines& in, const std::string& name, DataItem& item) {
  const int factors = read_count(in, "the number of binary factors of " + name);
  for (int a = 1; a <= item.alleles; ++a) {
    in.next(count_of(factors, "binary factor", "binary factors") + " (0 or 1) of allele " +
            std::to_string(a) + " of " + name);
    for (int f = 0; f < factors; ++f) {
      const int v = in.whole(static_cast<std::size_t>(f));
      if (v != 0 && v != 1) in.refuse(std::to_string(v));
    }
  }
  item.kind = DataItemKind::skip;
  item.columns = factors;
  item.alleles = 0;  // its columns are factors, not alleles
}

// A quantitative locus: the number of traits; per trait a line of the genotype means; one line
// of the variance-covariance matrix (its upper triangle); one line of the multiplier for
// heterozygotes.
void read_quantitative(LocusLines& in, const std::string& name, DataItem& item) {
  const int traits = read_count(in, "the number of traits of " + name);
  const int genotypes = item.alleles * (item.alleles + 1) / 2;
  for (int t = 1; t <= traits; ++t) {
    in.next(count_of(genotypes, "genotype mean", "genotype means") + " of trait " +
            std::to_string(t) + " of " + name);
    in.reals(static_cast<std::size_t>(genotypes));
  }
  const int covariances = traits * (traits + 1) / 2;
  in.next(count_of(covariances, "variance or covariance", "variances and covariances") + " of " +
          name);
  in.reals(static_cast<std::size_t>(covariances));
  in.next("the variance multiplier of " + name);
  in.real(0);
  item.kind = DataItemKind::trait;
  item.columns = traits;
  item.alleles = 0;
}

// One locus, from its type line on; `k` is its place in the file (from 1).
DataItem read_locus(LocusLines& in, int k, bool risk_locus) {
  const std::string name = locus_name(k);
  DataItem item;
  item.name = name;
  in.next("the type of " + name + ", 0 (quantitative), 1 (affection status), 2 (binary "
          "factors) or 3 (numbered alleles), and its number of alleles");
  item.line = in.line();
  const int type = in.whole(0);
  if (type < 0 || type > 3) in.refuse("type " + std::to_string(type));
  const int alleles = in.whole(1);
  // The genotypes of every individual are held per locus: a bound keeps them in memory.
  if (alleles < 1 || alleles > MAX_LOCUS_ALLELES)
    in.refuse("1 to " + std::to_string(MAX_LOCUS_ALLELES) + " alleles for " + name,
              std::to_string(alleles) + " alleles");
  item.alleles = alleles;
  in.next(count_of(item.alleles, "gene frequency", "gene frequencies") + " of " + name);
  in.reals(static_cast<std::size_t>(item.alleles));
  switch (type) {
    case quantitative: read_quantitative(in, name, item); break;
    case affection_status: read_affection(in, name, item); break;
    case binary_factors: read_binary_factors(in, name, item); break;
    default:
      item.kind = DataItemKind::marker;
      item.columns = 2;
  }
  if (risk_locus) {
    in.next("the risk allele of " + name + ", the risk locus (1 to " +
            std::to_string(alleles) + ")");
    const int allele = in.whole(0);
    if (allele < 1 || allele > alleles) in.refuse(std::to_string(allele));
  }
  return item;
}

}  // namespace
}  // namespace loopcut::prep::locus_file_detail

namespace loopcut::prep {

bool is_linkage_locus_line(std::string_view first_line) {
  const std::vector<std::string_view> items = further_items(first_line);
  if (items.size() < 4) return false;
  for (std::size_t k = 0; k < 4; ++k)
    if (!locus_file_detail::is_whole(items[k])) return false;
  return true;
}

DataLayout read_linkage_locus_lines(const std::vector<std::string>& lines,
                                    const std::string& file) {
  using namespace locus_file_detail;
  LocusLines in(lines, file);
  in.next("the number of loci, the risk locus, the sex-linked flag and the program code");
  const int loci = in.whole(0);
  if (loci < 1) in.refuse("at least 1 locus", std::to_string(loci) + " loci");
  const int risk = in.whole(1);
  if (risk < 0 || risk > loci)
    in.refuse("a risk locus 0 (none) to " + std::to_string(loci), "locus " + std::to_string(risk));
  const int sex_linked = in.whole(2);
  if (sex_linked == 1)
    throw InputError(file, 1, "autosomal loci (sex-linked flag 0)",
                     "sex-linked loci (flag 1), which are not supported yet", "");
  if (sex_linked != 0) in.refuse("a sex-linked flag 0 or 1", std::to_string(sex_linked));
  in.whole(3);
  in.next("the mutation locus, the male and female mutation rates and the haplotype flag");
  in.whole(0);
  in.real(1);
  in.real(2);
  const int haplotypes = in.whole(3);
  // With the flag set the gene frequencies are given as haplotype frequencies after the loci.
  if (haplotypes != 0)
    in.refuse("haplotype flag 0 (frequencies per locus)",
              "flag " + std::to_string(haplotypes) + ", which is not supported");
  read_order(in, loci);
  DataLayout layout;
  layout.file = file;
  layout.more_columns_allowed = true;
  for (int k = 1; k <= loci; ++k) layout.items.push_back(read_locus(in, k, k == risk));
  // What follows the loci (sex difference, recombination values, ...) does not describe columns.
  bool prices = false;
  for (const DataItem& item : layout.items)
    prices = prices || item.kind == DataItemKind::marker || item.kind == DataItemKind::affection;
  if (!prices)
    throw InputError(file, "no locus of numbered alleles (type 3) or affection status (type 1): "
                           "genotype weights need at least one");
  return layout;
}

}  // namespace loopcut::prep
