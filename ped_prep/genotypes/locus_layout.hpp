#pragma once
// Genotypes of a LINKAGE file, for weights that count what a likelihood program pays for each
// loop breaker: the data file that describes the columns after the first five, the check of a
// row against it, the weights per individual, and the product reported in the summary.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_values.hpp"

namespace loopcut::prep {

// The most alleles of a locus: genotype elimination keeps a flag per genotype, A(A+1)/2 of
// them, for every individual.
inline constexpr int MAX_LOCUS_ALLELES = 100;

// What a data file line describes: A affection status, T quantitative trait, C covariate,
// M marker (two columns, the alleles), S a column to skip.
enum class DataItemKind { affection, trait, covariate, marker, skip };

struct DataItem {
  DataItemKind kind = DataItemKind::skip;
  std::string name;
  int line = 0;  // line of the data file
  // Columns of the pedigree file it takes; 0 for those of its kind (2 for a marker, else 1).
  int columns = 0;
  // A marker or affection locus of a LINKAGE locus file: its alleles, numbered 1, 2, ...;
  // 0 where the alleles are those seen in the pedigree file.
  int alleles = 0;
  // An affection locus of a LINKAGE locus file: per liability class (from 1), the chance of
  // being affected for each genotype, in the order of genotype_index. Empty: the status column
  // does not price a cut.
  std::vector<std::vector<double>> penetrance;
};

// The columns after family, individual, father, mother and sex, in their order.
struct DataLayout {
  std::string file;  // the data file, as named by the user (for messages)
  std::vector<DataItem> items;
  // A LINKAGE locus file: a row may go on after the described columns (LINKAGE programs read
  // what they need and skip the rest of the line).
  bool more_columns_allowed = false;
};

// The data file's lines, one item each: a code and a name. `E` ends the file (a file without it
// ends at its last line); blank lines and lines whose first item starts with `#` are ignored.
// Codes may be written in either case. Throws InputError (FILE:LINE: expected ..., found ...)
// for an unknown code, a code without a name or with more than a name, and a file without any
// marker; or when the file cannot be read.
DataLayout read_data_file(const std::string& file);
// The same for lines already in memory; `file` names them in messages.
DataLayout read_data_lines(const std::vector<std::string>& lines, const std::string& file);

// A LINKAGE locus file (datafile.dat): line 1 holds the number of loci, the risk locus, the
// sex-linked flag and the program code; then the mutation line, the order of the loci, and each
// locus in the order of the pedigree file's columns. Numbered alleles give a marker of two
// columns; affection status one column, two with several liability classes; binary factors and
// quantitative traits their columns, which do not price a cut. Throws InputError naming the line
// for a missing or non-numeric value, an unknown locus type, a locus without alleles or with
// more than MAX_LOCUS_ALLELES, a penetrance outside [0, 1], an order that is no permutation, a
// file that ends early, sex-linked loci or haplotype frequencies (not supported); and for a file
// without a numbered-allele or affection locus.
DataLayout read_linkage_locus_lines(const std::vector<std::string>& lines,
                                    const std::string& file);
// Whether a first line starts with four whole numbers, as a LINKAGE locus file's does.
bool is_linkage_locus_line(std::string_view first_line);
// The file given to --genotypes: a LINKAGE locus file when its first line is one, else a data
// file.
DataLayout read_locus_file(const std::string& file);
DataLayout read_locus_lines(const std::vector<std::string>& lines, const std::string& file);

// Columns that one item takes: its own count, else 2 for a marker and 1 otherwise.
int item_columns(const DataItem& item);
// Columns described by the layout (after the first five).
std::size_t layout_columns(const DataLayout& layout);
std::size_t layout_markers(const DataLayout& layout);

// The items of a LINKAGE row after its first five, split at blanks and tabs as the LINKAGE
// reader splits them.
std::vector<std::string_view> further_items(std::string_view further);

// Checks the number of a LINKAGE row's further columns (`found`, counted where the row was
// split) against the layout: it must be the layout's exactly, or at least the layout's when more
// columns are allowed. Returns the problem in the LINKAGE reader's shape,
//   FILE:LINE: expected 11 columns (5 + 6 described by DATFILE), found 9 in "ROW"
// ("at least 11 columns" when more are allowed) or nothing when the row fits.
// `fixed` is the number of columns before the described ones: 5, or 9 in a post-makeped file.
std::optional<std::string> row_column_problem(const DataLayout& layout, const std::string& file,
                                              int line, std::size_t found, std::string_view row,
                                              std::size_t fixed = 5);

// Checks the values of a row whose further columns fit the layout, as LINKAGE programs check
// them, for the loci of a LINKAGE locus file: numbered alleles 0 (unknown) to the locus's
// alleles, affection status 0, 1 or 2, liability class 1 to the locus's classes. Returns the
// first problem, naming the column,
//   FILE:LINE: expected allele 0 to 3 of locus 1 in column 10, found "4" in "ROW"
// or nothing. `fixed` as for row_column_problem.
std::optional<std::string> row_value_problem(const DataLayout& layout, const std::string& file,
                                             int line, std::string_view further,
                                             std::string_view row, std::size_t fixed = 5);

// The two alleles of one individual at one marker, as written; "0" is missing.
using Alleles = std::array<std::string, 2>;
// An individual's alleles, one pair per marker of the layout.
using Genotypes = std::vector<Alleles>;

// The marker columns of a row whose further columns fit the layout (check it first; a row that
// does not fit throws std::invalid_argument). Columns after the described ones are passed over.
Genotypes row_genotypes(const DataLayout& layout, std::string_view further);

// Per marker, the number of distinct alleles seen over all rows, at least 2 (a marker of one
// seen allele still has another).
std::vector<int> allele_counts(const std::vector<Genotypes>& rows, std::size_t markers);

// The genotypes an individual may have at a marker of `alleles` alleles: 1 when both alleles are
// known, `alleles` when one is, alleles(alleles+1)/2 when none is.
double genotype_choices(int alleles, const Alleles& typed);

// The individual's weight: the sum over the markers of ln(genotype choices); 0 when fully typed.
double genotype_weight(const Genotypes& row, const std::vector<int>& counts);
// The weight of an individual typed at no marker, such as a stand-in parent added for the chain.
double untyped_weight(const std::vector<int>& counts);

// log10 of the product of the breakers' genotype combinations: the sum of their weights / ln 10.
double log10_combinations(const std::vector<double>& breaker_weights);
// A power of ten with one decimal of the exponent: 342.31 -> "10^342.3".
std::string power_of_ten(double log10_value);
// The summary line:
//   genotype combinations of the breakers after elimination: 10^342.3 (unit weights: 10^752.4)
// followed by " in " and `scope` (a pedigree) when `scope` is not empty.
std::string combinations_line(double genotype_log10, double unit_log10,
                              const std::string& scope = "");

}  // namespace loopcut::prep
