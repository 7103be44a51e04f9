// The LINKAGE locus file given to --genotypes: its loci as the columns of the pedigree file,
// the rows checked against them as LINKAGE programs check them, and the refusal of bad files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "common/text_file.hpp"
#include "ped_prep/formats/linkage_fam.hpp"
#include "ped_prep/formats/makeped.hpp"
#include "ped_prep/genotypes/locus_layout.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

using prep::DataItemKind;
using prep::DataLayout;

DataLayout locus_layout(const std::string& text) {
  return prep::read_locus_lines(split_text(text, "datafile.dat").lines, "datafile.dat");
}

std::string refusal(const std::string& text) {
  try {
    locus_layout(text);
  } catch (const InputError& e) {
    return e.what();
  }
  return "no refusal";
}

// Each item as KIND:NAME@LINE/COLUMNS/ALLELES.
std::string items(const DataLayout& layout) {
  std::string s;
  for (const auto& item : layout.items) {
    static const char* const code = "ATCMS";
    s += code[static_cast<int>(item.kind)];
    s += ":" + item.name + "@" + std::to_string(item.line) + "/" +
         std::to_string(prep::item_columns(item)) + "/" + std::to_string(item.alleles) + " ";
  }
  return s;
}

const std::string EXAMPLES = "/usr/share/doc/fastlink/examples/";

TEST(PedPrepLocusFile, ReadsFastlinksExampleAndItsPostMakepedPedigree) {
  if (!std::filesystem::exists(EXAMPLES + "datafile.dat")) GTEST_SKIP() << "no fastlink";
  const DataLayout layout = prep::read_locus_file(EXAMPLES + "datafile.dat");
  EXPECT_EQ(items(layout), "M:locus 1@4/2/3 A:locus 2@6/2/2 M:locus 3@12/2/2 ");
  EXPECT_TRUE(layout.more_columns_allowed);
  EXPECT_EQ(layout.items[1].penetrance,
            (std::vector<std::vector<double>>{
                {1.0, 0.14, 0.0}, {0.0, 0.86, 0.0}, {1.0, 0.0, 0.0}}));
  // Its rows go on after the six described columns with text ("2 Linked Mk Avail; Tr orig").
  const prep::PedigreeInput in = prep::read_makeped(EXAMPLES + "pedfile.dat", &layout);
  EXPECT_EQ(in.problems, std::vector<std::string>{});
  EXPECT_EQ(in.people.size(), 31u);
  WorkDir dir;
  const RunResult r =
      run_command(dir, "ped_prep",
                  {"import", "makeped", EXAMPLES + "pedfile.dat", "--genotypes",
                   EXAMPLES + "datafile.dat", "-o", (dir.path() / "out").string()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(dir.exists("out/genotype.w"));
}

// Affection status with two liability classes (two columns), numbered alleles, two binary
// factors and two quantitative traits, with the risk line after the risk locus 1 and comments and
// names after the numbers.
const char* const MIXED =
    "4 1 0 5 << NO. OF LOCI, RISK LOCUS, SEXLINKED (IF 1) PROGRAM\n"
    "0 0.0 0.0 0 << MUT LOCUS, MUT MALE, MUT FEM, HAP FREQ (IF 1)\n"
    "1 2 3 4\n"
    "1 2 << AFFECTION, NO. OF ALLELES\n"
    "0.99 0.01 << GENE FREQUENCIES\n"
    "2 << NO. OF LIABILITY CLASSES\n"
    "0.0 0.5 1.0 Children\n"
    "\n"
    "0.0 0.9 1\tAdults\n"
    "2 << RISK ALLELE\n"
    "3 3 << ALLELE NUMBERS\n"
    "0.3 0.3 0.4\n"
    "2 3 << BINARY FACTORS\n"
    "0.3 0.3 0.4\n"
    "2 << NO. OF FACTORS\n"
    "1 0\n"
    "0 1\n"
    "0 0\n"
    "0 2 << QUANTITATIVE\n"
    "0.5 0.5\n"
    "2 << NO. OF TRAITS\n"
    "1.0 1.5 2.0 << MEANS OF TRAIT 1\n"
    "3.0 3.5 4.0 << MEANS OF TRAIT 2\n"
    "1.0 0.2 1.0 << VARIANCE-COVARIANCE\n"
    "1.0 << MULTIPLIER\n"
    "0 0 << SEX DIFFERENCE, INTERFERENCE\n";

TEST(PedPrepLocusFile, ReadsClassesBinaryFactorsAndTraitsAndChecksRowsAgainstThem) {
  const DataLayout layout = locus_layout(MIXED);
  EXPECT_EQ(items(layout), "A:locus 1@4/2/2 M:locus 2@11/2/3 S:locus 3@13/2/0 T:locus 4@19/2/0 ");
  EXPECT_EQ(layout.items[0].penetrance,
            (std::vector<std::vector<double>>{{0.0, 0.5, 1.0}, {0.0, 0.9, 1.0}}));
  WorkDir dir;
  dir.write("fam.pre",
            "F 1 0 0 1  2 1  1 3  1 0  1.2 3.1\n"
            "F 2 0 0 2  0 2  0 0  0 1  0 0 more text\n"
            "F 3 1 2 1  1 2  2 4  1 1  1.9 3.9\n"
            "F 4 1 2 2  3 1  1 1  0 0  0 0\n"
            "F 5 1 2 1  1 0  1 1  0 0  0 0\n"
            "F 6 1 2 2  1 1  1 2.0  0 0  0 0\n"
            "F 7 1 2 2  1 1  1 2  0 0  0\n");
  const std::string file = (dir.path() / "fam.pre").string();
  const prep::PedigreeInput in = prep::read_linkage(file, &layout);
  EXPECT_EQ(in.problems,
            (std::vector<std::string>{
                file + ":3: expected allele 0 to 3 of locus 2 in column 9, found \"4\" in "
                       "\"F 3 1 2 1  1 2  2 4  1 1  1.9 3.9\"",
                file + ":4: expected affection status 0, 1 or 2 of locus 1 in column 6, found "
                       "\"3\" in \"F 4 1 2 2  3 1  1 1  0 0  0 0\"",
                file + ":5: expected liability class 1 to 2 of locus 1 in column 7, found \"0\" "
                       "in \"F 5 1 2 1  1 0  1 1  0 0  0 0\"",
                file + ":6: expected allele 0 to 3 of locus 2 in column 9, found \"2.0\" in "
                       "\"F 6 1 2 2  1 1  1 2.0  0 0  0 0\"",
                file + ":7: expected at least 13 columns (5 + 8 described by datafile.dat), "
                       "found 12 in \"F 7 1 2 2  1 1  1 2  0 0  0\""}));
}

// FASTLINK's unknown reads the pedigree file with the same locus file and writes the columns it
// read to ipedfile.dat: they are the ones the layout describes (an untyped marker it may fill).
TEST(PedPrepLocusFile, FastlinkReadsTheColumnsTheLayoutDescribes) {
  if (std::system("command -v unknown >/dev/null") != 0) GTEST_SKIP() << "no fastlink";
  const DataLayout layout = locus_layout(MIXED);
  const std::vector<std::string> rows = {
      "1 1 0 0 3 0 0 1 1  2 1  1 3  1 0  1.2 3.1",
      "1 2 0 0 3 0 0 2 0  0 2  0 0  0 1  1.1 3.0 more text",
      "1 3 1 2 0 4 4 1 0  1 2  2 3  1 1  1.9 3.9",
      "1 4 1 2 0 0 0 2 0  2 1  1 1  0 0  1.3 3.3"};
  WorkDir dir;
  dir.write("datafile.dat", std::string(MIXED) + "0.1 0.1 0.1\n2 0.1 0.45\n");
  std::string pedfile;
  for (const std::string& row : rows) pedfile += row + "\n";
  dir.write("pedfile.dat", pedfile);
  const std::string script =
      "cd '" + dir.path().string() + "' && unknown </dev/null >/dev/null 2>&1";
  ASSERT_EQ(std::system(script.c_str()), 0);
  const TextFile read = split_text(dir.read("ipedfile.dat"), "ipedfile.dat");
  ASSERT_EQ(read.lines.size(), rows.size());
  const std::size_t columns = 9 + prep::layout_columns(layout);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    const auto ours = prep::further_items(rows[r]);
    const auto theirs = prep::further_items(read.lines[r]);
    ASSERT_EQ(theirs.size(), columns) << read.lines[r];
    for (std::size_t c = 0; c < columns; ++c) {
      if (ours[c] == "0") continue;
      EXPECT_EQ(std::stod(std::string(theirs[c])), std::stod(std::string(ours[c])))
          << "column " << c + 1 << " of " << read.lines[r];
    }
  }
}

TEST(PedPrepLocusFile, RefusesBadFilesNamingTheLine) {
  const std::string head = "2 0 0 5\n0 0.0 0.0 0\n1 2\n";
  const std::string marker = "3 2 << ALLELE NUMBERS\n0.5 0.5\n";
  const std::string affection = "1 2\n0.9 0.1\n1\n0.0 0.5 1.0 all\n";
  struct Case {
    std::string file, message;
  };
  const std::vector<Case> cases = {
      {"3 0 1 5 << NO. OF LOCI, RISK LOCUS, SEXLINKED (IF 1) PROGRAM\n" + head.substr(8) + marker,
       "datafile.dat:1: expected autosomal loci (sex-linked flag 0), found sex-linked loci "
       "(flag 1), which are not supported yet"},
      {"2 0 0 5\n0 0.0 x 0 << MUTATION\n",
       "datafile.dat:2: expected the mutation locus, the male and female mutation rates and the "
       "haplotype flag, found \"x\" in \"0 0.0 x 0 << MUTATION\""},
      {"2 0 0 5\n0 0.0 0.0 1\n",
       "datafile.dat:2: expected haplotype flag 0 (frequencies per locus), found flag 1, which is "
       "not supported in \"0 0.0 0.0 1\""},
      {"2 0 0 5\n0 0.0 0.0 0\n1 1\n",
       "datafile.dat:3: expected the order of the 2 loci, each of 1 to 2 once, found locus 1 "
       "twice in \"1 1\""},
      {"2 0 0 5\n0 0.0 0.0 0\n2\n",
       "datafile.dat:3: expected the order of the 2 loci, each of 1 to 2 once, found the end of "
       "the line in \"2\""},
      {head + "4 2\n",
       "datafile.dat:4: expected the type of locus 1, 0 (quantitative), 1 (affection status), 2 "
       "(binary factors) or 3 (numbered alleles), and its number of alleles, found type 4 in "
       "\"4 2\""},
      {head + "3 0\n",
       "datafile.dat:4: expected 1 to 100 alleles for locus 1, found 0 alleles in \"3 0\""},
      {head + "1 999999999\n",
       "datafile.dat:4: expected 1 to 100 alleles for locus 1, found 999999999 alleles in "
       "\"1 999999999\""},
      {head + marker + "1 2\n0.9 0.1\n1\n0.0 1.5 1.0 all\n",
       "datafile.dat:9: expected 3 penetrances of locus 2, liability class 1 (each 0 to 1), found "
       "1.5 in \"0.0 1.5 1.0 all\""},
      {head + marker + "1 2\n0.9 0.1\n2\n0.0 0.5 1.0\n",
       "datafile.dat:10: expected 3 penetrances of locus 2, liability class 2 (each 0 to 1), "
       "found the end of the file"},
      {"2 0 0 5\n0 0.0 0.0 0\n1 2\n2 2\n0.5 0.5\n1\n1\n0\n0 2\n0.5 0.5\n1\n1 2 3\n1\n1\n",
       "datafile.dat: no locus of numbered alleles (type 3) or affection status (type 1): "
       "genotype weights need at least one"},
  };
  for (const Case& c : cases) EXPECT_EQ(refusal(c.file), c.message) << c.file;
  // Both kinds of locus that price a cut are enough on their own.
  EXPECT_EQ(items(locus_layout("1 0 0 5\n0 0.0 0.0 0\n1\n" + affection)), "A:locus 1@4/1/2 ");
}

TEST(PedPrepLocusFile, AnyOtherFirstLineIsADataFile) {
  EXPECT_EQ(items(locus_layout("M m1\nA d\n")), "M:m1@1/2/0 A:d@2/1/0 ");
  EXPECT_FALSE(locus_layout("M m1\n").more_columns_allowed);
  EXPECT_EQ(refusal("2 0 0\nM m1\n"),
            "datafile.dat:1: expected a code A, T, C, M, S or E, found \"2\" in \"2 0 0\"");
}

}  // namespace
}  // namespace loopcut::testing
