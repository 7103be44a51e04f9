// Genotype weights of LINKAGE files: the data file that describes the further columns, the check
// of a row against it, the weights per individual, and the product of the breakers' genotypes.
#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/marker_generator.hpp"
#include "bench/pedigree_generator.hpp"
#include "common/errors.hpp"
#include "common/text_file.hpp"
#include "ped_prep/genotypes/genotype_weights.hpp"
#include "ped_prep/genotypes/locus_layout.hpp"
#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

using prep::DataItemKind;
using prep::DataLayout;

DataLayout layout_of(const std::string& text) {
  return prep::read_data_lines(split_text(text, "markers.dat").lines, "markers.dat");
}

// The message of the InputError that reading `text` as a data file throws.
std::string refusal(const std::string& text) {
  try {
    layout_of(text);
  } catch (const InputError& e) {
    return e.what();
  }
  return "no refusal";
}

std::string kinds(const DataLayout& layout) {
  std::string s;
  for (const auto& item : layout.items) {
    static const char* const code = "ATCMS";
    s += code[static_cast<int>(item.kind)];
    s += ":" + item.name + "@" + std::to_string(item.line) + " ";
  }
  return s;
}

TEST(PedPrepDataFile, ReadsEveryCodeInOrderWithCommentsBlankLinesAndEitherCase) {
  const DataLayout layout = layout_of(
      "# panel of the study\n"
      "A disease\n"
      "\n"
      "T height\n"
      "   # indented comment\n"
      "C age\n"
      "M D1S243\n"
      "S notes\n"
      "m rs12\t\n"
      "E\n");
  EXPECT_EQ(kinds(layout), "A:disease@2 T:height@4 C:age@6 M:D1S243@7 S:notes@8 M:rs12@9 ");
  EXPECT_EQ(prep::layout_columns(layout), 8u);
  EXPECT_EQ(prep::layout_markers(layout), 2u);
  EXPECT_EQ(layout.file, "markers.dat");
}

TEST(PedPrepDataFile, EndsAtTheLastLineWithoutEAndIgnoresWhatFollowsE) {
  EXPECT_EQ(kinds(layout_of("M m1\nS s")), "M:m1@1 S:s@2 ");
  EXPECT_EQ(kinds(layout_of("M m1\r\nE\r\nX anything\nM m2\n")), "M:m1@1 ");
}

TEST(PedPrepDataFile, RefusesUnknownCodesAndLinesWithoutOneName) {
  EXPECT_EQ(refusal("M m1\nX trait\n"),
            "markers.dat:2: expected a code A, T, C, M, S or E, found \"X\" in \"X trait\"");
  EXPECT_EQ(refusal("MM m1\n"),
            "markers.dat:1: expected a code A, T, C, M, S or E, found \"MM\" in \"MM m1\"");
  EXPECT_EQ(refusal("# markers\nM\n"),
            "markers.dat:2: expected a name after M, found nothing in \"M\"");
  EXPECT_EQ(refusal("M D1S243 D1S244\n"),
            "markers.dat:1: expected one name after M, found 2 items in \"M D1S243 D1S244\"");
}

TEST(PedPrepDataFile, RefusesAFileWithoutAMarker) {
  const std::string none = "markers.dat: no marker (an M line): genotype weights need at least one";
  EXPECT_EQ(refusal(""), none);
  EXPECT_EQ(refusal("# only comments\n\n"), none);
  EXPECT_EQ(refusal("A disease\nT height\nE\nM too_late\n"), none);
}

TEST(PedPrepDataFile, ReadsAFileOnDiskAndNamesAMissingOne) {
  WorkDir dir;
  dir.write("panel.dat", "\xEF\xBB\xBFM m1\r\nA d\r\nE\r\n");
  const std::string path = (dir.path() / "panel.dat").string();
  const DataLayout layout = prep::read_data_file(path);
  EXPECT_EQ(kinds(layout), "M:m1@1 A:d@2 ");
  EXPECT_EQ(layout.file, path);
  const std::string missing = (dir.path() / "none.dat").string();
  try {
    prep::read_data_file(missing);
    ADD_FAILURE() << "a missing data file was read";
  } catch (const InputError& e) {
    EXPECT_EQ(std::string(e.what()),
              missing + ": cannot open for reading (No such file or directory)");
  }
}

// A (1 column), M (2), S (1), M (2): 6 columns after the first five.
const char* const SIX_COLUMNS = "A disease\nM m1\nS note\nM m2\nE\n";

TEST(PedPrepDataFile, ARowMustHaveExactlyTheDescribedColumns) {
  const DataLayout layout = layout_of(SIX_COLUMNS);
  EXPECT_EQ(
      prep::row_column_problem(layout, "fam.pre", 3, 6, "F 3 1 2 1 2 1 2 x\tA C"),
      std::nullopt);
  EXPECT_EQ(prep::row_column_problem(layout, "fam.pre", 4, 4, "F 4 1 2 2 2 1 2 x"),
            "fam.pre:4: expected 11 columns (5 + 6 described by markers.dat), found 9 in "
            "\"F 4 1 2 2 2 1 2 x\"");
  EXPECT_EQ(prep::row_column_problem(layout, "fam.pre", 5, 0, "F 5 0 0 1"),
            "fam.pre:5: expected 11 columns (5 + 6 described by markers.dat), found 5 in "
            "\"F 5 0 0 1\"");
  EXPECT_EQ(prep::row_column_problem(layout, "fam.pre", 6, 7,
                                     "F 6 0 0 1 2 1 2 x A C 7"),
            "fam.pre:6: expected 11 columns (5 + 6 described by markers.dat), found 12 in "
            "\"F 6 0 0 1 2 1 2 x A C 7\"");
}

TEST(PedPrepDataFile, ALongRowIsShownCut) {
  const DataLayout layout = layout_of("M m1\n");
  const std::string further(90, 'x');
  const std::string row = "F 1 0 0 1 " + further;
  EXPECT_EQ(prep::row_column_problem(layout, "f.pre", 1, 1, row),
            "f.pre:1: expected 7 columns (5 + 2 described by markers.dat), found 6 in \"" +
                row.substr(0, 80) + "...\"");
}

TEST(PedPrepGenotypes, TakesTheMarkerColumnsOfARowAndRefusesARowThatDoesNotFit) {
  const DataLayout layout = layout_of(SIX_COLUMNS);
  const prep::Genotypes g = prep::row_genotypes(layout, " 2  1 0  x\tA C ");
  ASSERT_EQ(g.size(), 2u);
  EXPECT_EQ(g[0], (prep::Alleles{"1", "0"}));
  EXPECT_EQ(g[1], (prep::Alleles{"A", "C"}));
  EXPECT_THROW(prep::row_genotypes(layout, "2 1 0 x A"), std::invalid_argument);
}

// A hand-worked file: m1 sees the alleles 1, 2, 3 (A = 3), m2 the letters A, C, G, T (A = 4),
// m3 only 7 (A = 2, as a marker has at least two). The affection, skip and trait columns hold
// 0 and text that must not count as alleles.
const char* const PANEL = "A disease\nM m1\nS note\nM m2\nT height\nM m3\nE\n";
const std::vector<std::string> ROWS = {
    "2  1 2  x  A C  1.5  7 7",  // typed everywhere: 1 * 1 * 1
    "1  3 0  y  0 G  0    0 7",  // half-typed everywhere: 3 * 4 * 2 = 24
    "0  0 0  z  0 0  0    0 0",  // untyped: 6 * 10 * 3 = 180
    "1  2 3  w  T 0  2.0  0 0",  // typed, half-typed, untyped: 1 * 4 * 3 = 12
};

TEST(PedPrepGenotypes, CountsDistinctAllelesPerMarkerAtLeastTwo) {
  const DataLayout layout = layout_of(PANEL);
  std::vector<prep::Genotypes> rows;
  for (const auto& r : ROWS) rows.push_back(prep::row_genotypes(layout, r));
  EXPECT_EQ(prep::allele_counts(rows, 3), (std::vector<int>{3, 4, 2}));
  // Nothing seen at all still leaves two alleles.
  EXPECT_EQ(prep::allele_counts({rows[2]}, 3), (std::vector<int>{2, 2, 2}));
}

// Unordered pairs of A alleles: A(A+1)/2, 78 for 12 alleles and 66 for 11.
TEST(PedPrepGenotypes, GenotypeChoicesPerMarker) {
  EXPECT_EQ(prep::genotype_choices(12, {"3", "11"}), 1.0);
  EXPECT_EQ(prep::genotype_choices(12, {"0", "11"}), 12.0);
  EXPECT_EQ(prep::genotype_choices(12, {"3", "0"}), 12.0);
  EXPECT_EQ(prep::genotype_choices(12, {"0", "0"}), 78.0);
  EXPECT_EQ(prep::genotype_choices(11, {"0", "0"}), 66.0);
}

// The weights of ROWS as the program takes them: the phenotype columns of the input's people.
std::vector<double> weights_of(const DataLayout& layout, const std::vector<std::string>& rows) {
  prep::PedigreeInput in;
  for (const std::string& row : rows) {
    prep::Person p;
    p.extra = row;
    in.people.push_back(p);
  }
  return prep::person_genotype_weights(layout, in).person;
}

TEST(PedPrepGenotypes, WeightsOfTheHandWorkedFile) {
  const std::vector<double> w = weights_of(layout_of(PANEL), ROWS);
  ASSERT_EQ(w.size(), 4u);
  EXPECT_EQ(w[0], 0.0);
  EXPECT_NEAR(w[1], std::log(24.0), 1e-12);
  EXPECT_NEAR(w[2], std::log(180.0), 1e-12);
  EXPECT_NEAR(w[3], std::log(12.0), 1e-12);
  // A stand-in parent weighs what the untyped row does.
  EXPECT_NEAR(prep::untyped_weight({3, 4, 2}), std::log(180.0), 1e-12);
}

TEST(PedPrepGenotypes, TheProductIsTheSumOfTheBreakersWeightsAsAPowerOfTen) {
  const std::vector<double> w = weights_of(layout_of(PANEL), ROWS);
  // Breakers: the half-typed and the untyped row, 24 * 180 = 4320 combinations.
  const double product = prep::log10_combinations({w[1], w[2]});
  EXPECT_NEAR(product, std::log10(24.0 * 180.0), 1e-12);
  EXPECT_EQ(prep::power_of_ten(product), "10^3.6");
  // Unit weights cut two untyped rows instead: 180 * 180 = 32400.
  const double unit = prep::log10_combinations({w[2], w[2]});
  EXPECT_EQ(prep::combinations_line(product, unit),
            "genotype combinations of the breakers after elimination: 10^3.6 (unit weights: "
            "10^4.5)");
  EXPECT_EQ(prep::combinations_line(product, unit, "family F"),
            "genotype combinations of the breakers after elimination: 10^3.6 (unit weights: "
            "10^4.5) in family F");
  EXPECT_EQ(prep::log10_combinations({}), 0.0);
}

TEST(PedPrepGenotypes, PowersOfTenRoundToOneDecimal) {
  EXPECT_EQ(prep::power_of_ten(0.0), "10^0.0");
  EXPECT_EQ(prep::power_of_ten(-0.0), "10^0.0");
  EXPECT_EQ(prep::power_of_ten(342.26), "10^342.3");
  EXPECT_EQ(prep::power_of_ten(752.44), "10^752.4");
  EXPECT_EQ(prep::power_of_ten(99.96), "10^100.0");
  // 8 untyped markers of 12 alleles: 78^8, about 10^15.1, per breaker; a hundred breakers.
  EXPECT_EQ(prep::power_of_ten(prep::log10_combinations(
                std::vector<double>(100, prep::untyped_weight(std::vector<int>(8, 12))))),
            "10^1513.7");
}

// The benchmark's marker data: every row fits its data file, a typed child carries its typed
// father's allele first and its typed mother's second, and the same seed gives the same files.
TEST(PedPrepGenotypes, GeneratedMarkerDataFitsItsDataFileAndFollowsMendel) {
  bench::GeneratorOptions po;
  po.records = 600;
  po.pedigrees = 3;
  const auto records =
      bench::parse_chain_pedigree(bench::generate_pedigree(po).pedigree, "gen.ped");
  const auto files = bench::generate_markers(records, {});
  EXPECT_EQ(files.linkage, bench::generate_markers(records, {}).linkage);
  const DataLayout layout = layout_of(files.data);
  ASSERT_EQ(prep::layout_markers(layout), 8u);
  const std::vector<std::string> lines = split_text(files.linkage, "gen.pre").lines;
  ASSERT_EQ(lines.size(), records.size());
  std::vector<prep::Genotypes> rows;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const auto items = prep::further_items(lines[i]);
    ASSERT_GT(items.size(), 5u);
    const std::string further =
        lines[i].substr(static_cast<std::size_t>(items[5].data() - lines[i].data()));
    ASSERT_EQ(prep::row_column_problem(layout, "gen.pre", static_cast<int>(i) + 1,
                                       items.size() - 5, lines[i]),
              std::nullopt);
    rows.push_back(prep::row_genotypes(layout, further));
  }
  int trios = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const int parent_ids[2] = {records[i].fa, records[i].mo};
    for (std::size_t k = 0; k < 2; ++k) {
      if (parent_ids[k] == 0) continue;
      const prep::Genotypes& parent = rows[static_cast<std::size_t>(parent_ids[k] - 1)];
      for (std::size_t m = 0; m < 8; ++m) {
        const std::string& allele = rows[i][m][k];
        if (allele == "0" || parent[m][0] == "0") continue;
        ++trios;
        EXPECT_TRUE(allele == parent[m][0] || allele == parent[m][1])
            << "record " << i + 1 << " marker " << m + 1;
      }
    }
  }
  EXPECT_GT(trios, 100);
  for (int n : prep::allele_counts(rows, 8)) EXPECT_LE(n, 12);
}

}  // namespace
}  // namespace loopcut::testing
