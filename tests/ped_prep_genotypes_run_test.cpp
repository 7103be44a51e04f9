// ped_prep run and import with --genotypes: the weights the chain gets, the cut they give, the
// product reported, the output, and the inputs refused.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/marker_generator.hpp"
#include "bench/pedigree_generator.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

// A marriage loop: 3 and 4 are siblings, their children 7 and 8 the parents of 9. Unit weights
// cut 3, who is untyped. m1 shows the alleles 1, 2, 3 and m2 the alleles A and C. Weights, ln of
// the genotypes elimination leaves: 1, 2, 4, 9 typed: 0; 3, a child of 1/2 and 1/3 who gives 7
// (1/1) an allele 1, and of A/C and A/A: ln 3 + ln 2; 5, 7's mother, also gives it a 1: ln 9;
// 6, an untyped founder whom 8 needs nothing of: ln 18 (6 · 3); 7: ln 2 (1/1, and C/A or C/C);
// 8: ln 9 (its own allele 3 leaves 3 at m1, and 3 at m2).
const char* const HAND =
    "F 1 0 0 1  1 2  A C\n"
    "F 2 0 0 2  1 3  A A\n"
    "F 3 1 2 1  0 0  0 0\n"
    "F 4 1 2 2  2 3  C A\n"
    "F 5 0 0 2  0 0  0 0\n"
    "F 6 0 0 1  0 0  0 0\n"
    "F 7 3 5 1  1 1  0 C\n"
    "F 8 6 4 2  0 3  0 0\n"
    "F 9 7 8 1  1 3  A C\n";
const char* const HAND_DAT = "# two markers\nM m1\nM m2\nE\n";

TEST(PedPrepGenotypesRun, GenotypeWeightsCutTheTypedSiblingWhereUnitWeightsCutTheUntypedOne) {
  WorkDir d;
  d.write("hand.pre", HAND);
  d.write("m.dat", HAND_DAT);
  const RunResult unit = ped_prep(d, {"run", "linkage", "hand.pre", "-o", "unit.pre"});
  ASSERT_EQ(unit.status, 0) << unit.err;
  EXPECT_EQ(d.read("unit.pre.copies.tsv"), "family\tid\tkind\toriginal\nF\t3_c1\tcopy\t3\n");

  const RunResult r = ped_prep(
      d, {"run", "linkage", "hand.pre", "--genotypes", "m.dat", "-o", "geno.pre", "--work", "w"});
  ASSERT_EQ(r.status, 0) << r.err;
  // 4 is typed: 1 combination; unit weights' 3 has 6 = 10^0.78.
  // The genotype weights go through cut_improve too: the step search's cut is the best here.
  EXPECT_NE(r.out.find("no loops left, nobody lost\n"
                       "\n"
                       " pedigree  cost before  cost after       bound   gap %\n"
                       "        1        0.001       0.001       0.001     0.0  proven optimal\n"
                       "    total        0.001       0.001       0.001     0.0  proven optimal\n"
                       "cut: cost 0.001 before cut_improve, 0.001 after (1 -> 1 stars), proven "
                       "optimal\n"
                       "genotype combinations of the breakers after elimination: 10^0.0 (unit "
                       "weights: 10^0.8) in pedigree 1\n"
                       "genotype combinations of the breakers after elimination: 10^0.0 (unit "
                       "weights: 10^0.8)\n"
                       "wrote geno.pre (linkage)"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(d.read("geno.pre.copies.tsv"), "family\tid\tkind\toriginal\nF\t4_c1\tcopy\t4\n");
  // Only the copy is added, with its original's genotypes; 8 names it as mother.
  EXPECT_EQ(d.read("geno.pre"),
            "F 1 0 0 1  1 2  A C\n"
            "F 2 0 0 2  1 3  A A\n"
            "F 3 1 2 1  0 0  0 0\n"
            "F 4 1 2 2  2 3  C A\n"
            "F 5 0 0 2  0 0  0 0\n"
            "F 6 0 0 1  0 0  0 0\n"
            "F 7 3 5 1  1 1  0 C\n"
            "F 8 6 4_c1 2  0 3  0 0\n"
            "F 9 7 8 1  1 3  A C\n"
            "F 4_c1 0 0 2  2 3  C A\n");
  // The chain's weights: ln of the genotypes plus 0.001, and task.inp naming them.
  EXPECT_EQ(d.read("w/genotype.w"),
            " 1 0.001\n 2 0.001\n 3 1.7927594\n 4 0.001\n 5 2.1982245\n 6 2.8913717\n"
            " 7 0.69414717\n 8 2.1982245\n 9 0.001\n");
  EXPECT_EQ(d.read("w/task.inp"), "pedigree.ped\ngenotype.w\npedigree.cut\n");
  // The step search on unit weights, for comparison, in a folder of its own.
  EXPECT_EQ(d.read("w/unit-weights/res.dat"), "     3   3                   \n");
}

// A parent added by --add-missing-parents (the mother 12) starts untyped and keeps what her
// child leaves her: 11 (2/3, A/C), whose father 1 is 1/2 and A/C, leaves x/3 and any at m2, ln 9.
// The stand-in father of the one-parent record 10 stands for every unknown mate of 2, who need
// not be the same: it stays untyped, ln 18, and 10, 13 and 14, who take from it the alleles 1,
// 2 and 3, are no inconsistent family.
TEST(PedPrepGenotypesRun, ImportWeighsAddedParentsByWhatTheirChildrenLeaveAndStandInsUntyped) {
  WorkDir d;
  d.write("hand.pre", std::string(HAND) +
                          "F 10 0 2 1  1 1  A C\nF 11 1 12 2  2 3  A C\n"
                          "F 13 0 2 1  2 3  A A\nF 14 0 2 2  3 3  A A\n");
  d.write("m.dat", HAND_DAT);
  const RunResult r = ped_prep(d, {"import", "linkage", "hand.pre", "--genotypes", "m.dat", "-o",
                                   "dir", "--add-missing-parents"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("wrote dir/pedigree.ped, genotype.w, task.inp, labels.tsv, columns.tsv\n"),
            std::string::npos)
      << r.out;
  EXPECT_FALSE(d.exists("dir/unit.w"));
  EXPECT_EQ(d.read("dir/task.inp"), "pedigree.ped\ngenotype.w\npedigree.cut\n");
  // Rows by label: the weight of each row of the chain's pedigree file.
  std::map<std::string, std::string> label_of_row;
  std::istringstream ped(d.read("dir/pedigree.ped"));
  std::string line;
  std::getline(ped, line);  // header
  while (std::getline(ped, line)) {
    std::istringstream w(line);
    std::string p, id, fa, mo, sex, label;
    w >> p >> id >> fa >> mo >> sex >> label;
    label_of_row[id] = label;
  }
  std::map<std::string, std::string> weight_of;
  std::istringstream weights(d.read("dir/genotype.w"));
  for (std::string row, weight; weights >> row >> weight;) weight_of[label_of_row.at(row)] = weight;
  ASSERT_EQ(weight_of.size(), 15u) << "13 records, the added mother 12, the stand-in of 10";
  EXPECT_EQ(weight_of.at("3"), "1.7927594");
  EXPECT_EQ(weight_of.at("4"), "0.001");
  EXPECT_EQ(weight_of.at("10"), "0.001");
  EXPECT_EQ(weight_of.at("12"), "2.1982245") << "added by --add-missing-parents";
  EXPECT_EQ(weight_of.at("u:2"), "2.8913717") << "the stand-in father of 10";
}

// Each family that Mendel's rules rule out is named, per marker in the data file's order, with
// what its members show; nothing is written.
TEST(PedPrepGenotypesRun, AnInconsistentFamilyIsRefusedWithItsMembersGenotypes) {
  WorkDir d;
  d.write("hand.pre", std::string(HAND) + "F 10 0 2 1  1 1  C C\nF 11 1 12 2  3 3  A C\n");
  d.write("m.dat", HAND_DAT);
  for (const char* command : {"import", "run"}) {
    const RunResult r = ped_prep(d, {command, "linkage", "hand.pre", "--genotypes", "m.dat", "-o",
                                     "out", "--add-missing-parents"});
    EXPECT_EQ(r.status, 1) << command;
    EXPECT_EQ(r.err,
              "ped_prep: hand.pre refused, 2 problems:\n"
              "  hand.pre:11: marker m1: family F: father 1 (1/2) and mother 12 (untyped) cannot "
              "have child 11 (3/3)\n"
              "  hand.pre:10: marker m2: family F: an unknown father and mother 2 (A/A) cannot "
              "have child 10 (C/C)\n")
        << command;
    EXPECT_FALSE(d.exists("out")) << command;
  }
}

// The further columns of a record, split at blanks.
std::vector<std::string> items(const std::string& line) {
  std::istringstream s(line);
  std::vector<std::string> v;
  for (std::string w; s >> w;) v.push_back(w);
  return v;
}

// The fields of each line of a table with a header line, split at tabs.
std::vector<std::vector<std::string>> tsv_rows(const std::string& table) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream in(table);
  std::string line;
  std::getline(in, line);
  while (std::getline(in, line)) {
    std::istringstream s(line);
    rows.emplace_back();
    for (std::string x; std::getline(s, x, '\t');) rows.back().push_back(x);
  }
  return rows;
}

// The genotype weight of each record, "family/id", as import writes it for the chain (less the
// tie-break): the weights the run's cut and the unit weights' cut are both priced by.
std::map<std::string, double> imported_weights(const WorkDir& d, const std::string& linkage,
                                               const std::string& data) {
  const RunResult r = ped_prep(d, {"import", "linkage", linkage, "--genotypes", data, "-o",
                                   "imported"});
  EXPECT_EQ(r.status, 0) << r.err;
  std::map<std::string, std::string> record_of;  // label -> family/id
  for (const std::vector<std::string>& f : tsv_rows(d.read("imported/labels.tsv")))
    record_of[f.at(0)] = f.at(1) + "/" + f.at(2);
  std::map<std::string, std::string> label_of_row;
  std::istringstream ped(d.read("imported/pedigree.ped"));
  std::string line;
  std::getline(ped, line);  // header
  for (std::string p, id, fa, mo, sex, label; ped >> p >> id >> fa >> mo >> sex >> label;)
    label_of_row[id] = label;
  std::map<std::string, double> weight;
  std::istringstream weights(d.read("imported/genotype.w"));
  for (std::string row, w; weights >> row >> w;)
    weight[record_of[label_of_row.at(row)]] = std::stod(w) - 0.001;
  return weight;
}

// "10^x.y" of the breakers listed in a copies file.
std::string product_of(const std::string& copies, const std::map<std::string, double>& weight) {
  std::set<std::string> breakers;
  for (const std::vector<std::string>& f : tsv_rows(copies))
    if (f.at(2) == "copy") breakers.insert(f[0] + "/" + f[3]);
  double sum = 0.0;
  for (const std::string& b : breakers) sum += weight.at(b);
  char text[64];
  std::snprintf(text, sizeof text, "10^%.1f", sum / std::log(10.0));
  return text;
}

// Generated marker data over a generated pedigree of two families with many loops.
bench::MarkerFiles generated_panel() {
  bench::GeneratorOptions po;
  po.records = 500;
  po.pedigrees = 2;
  po.seed = 7;
  po.one_parent_percent = 0;
  return bench::generate_markers(
      bench::parse_chain_pedigree(bench::generate_pedigree(po).pedigree, "gen.ped"), {});
}

TEST(PedPrepGenotypesRun, TheReportedProductsAreThoseOfTheBreakersOfEachCut) {
  WorkDir d;
  const bench::MarkerFiles panel = generated_panel();
  d.write("gen.pre", panel.linkage);
  d.write("gen.dat", panel.data);
  // The cut compared with is the step search's on unit weights, not improved.
  const RunResult unit =
      ped_prep(d, {"run", "linkage", "gen.pre", "-o", "unit.pre", "--no-improve"});
  ASSERT_EQ(unit.status, 0) << unit.err;
  const RunResult r =
      ped_prep(d, {"run", "linkage", "gen.pre", "--genotypes", "gen.dat", "-o", "geno.pre"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::map<std::string, double> weight = imported_weights(d, "gen.pre", "gen.dat");
  const std::string prefix = "genotype combinations of the breakers after elimination: ";
  const std::string total = prefix +
                            product_of(d.read("geno.pre.copies.tsv"), weight) +
                            " (unit weights: " + product_of(d.read("unit.pre.copies.tsv"), weight) +
                            ")\n";
  EXPECT_NE(r.out.find("\n" + total), std::string::npos) << r.out;
  // A line per pedigree with loops (1 and 10: the others are lone founders), then the total.
  EXPECT_NE(r.out.find(prefix), r.out.rfind(prefix));
  EXPECT_NE(r.out.find(") in pedigree 1\n" + prefix), std::string::npos) << r.out;
  EXPECT_NE(r.out.find(") in pedigree 10\n" + total), std::string::npos) << r.out;
}

// Every input line comes back in its place, apart from parents moved to a copy; each copy is its
// original's line with its own identifier and no parents; the output has no loop left.
TEST(PedPrepGenotypesRun, TheOutputIsTheInputWithTheCopiesAndReimportsLoopFree) {
  WorkDir d;
  const bench::MarkerFiles panel = generated_panel();
  d.write("gen.pre", panel.linkage);
  d.write("gen.dat", panel.data);
  ASSERT_EQ(ped_prep(d, {"run", "linkage", "gen.pre", "--genotypes", "gen.dat", "-o", "o.pre"})
                .status,
            0);
  std::vector<std::string> in, out;
  std::istringstream a(panel.linkage), b(d.read("o.pre"));
  for (std::string l; std::getline(a, l);) in.push_back(l);
  for (std::string l; std::getline(b, l);) out.push_back(l);
  std::map<std::string, std::string> line_of;
  for (const std::string& l : in) line_of[items(l)[0] + "/" + items(l)[1]] = l;
  const auto original = [](std::string id) { return id.substr(0, id.find("_c")); };
  std::size_t next = 0, copies = 0, moved = 0;
  for (const std::string& l : out) {
    std::vector<std::string> f = items(l);
    if (f[1].find("_c") != std::string::npos) {
      ++copies;
      std::vector<std::string> o = items(line_of.at(f[0] + "/" + original(f[1])));
      o[1] = f[1];
      o[2] = o[3] = "0";
      EXPECT_EQ(f, o) << l;
      continue;
    }
    ASSERT_LT(next, in.size());
    if (l != in[next]) {
      ++moved;
      f[2] = original(f[2]);
      f[3] = original(f[3]);
      EXPECT_EQ(f, items(in[next])) << l;
    }
    ++next;
  }
  EXPECT_EQ(next, in.size());
  EXPECT_GT(copies, 10u);
  EXPECT_GT(moved, 10u);
  const RunResult again = ped_prep(d, {"import", "linkage", "o.pre", "--genotypes", "gen.dat",
                                       "-o", "again"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_NE(again.out.find(", 0 loops in 0 of them"), std::string::npos) << again.out;
}

// Each batch's weight file holds its own rows' weights: the cut and the products are the same as
// in one run.
TEST(PedPrepGenotypesRun, BatchesEachGetTheirOwnRowsWeights) {
  WorkDir d;
  const bench::MarkerFiles panel = generated_panel();
  d.write("gen.pre", panel.linkage);
  d.write("gen.dat", panel.data);
  const RunResult one = ped_prep(
      d, {"run", "linkage", "gen.pre", "--genotypes", "gen.dat", "-o", "one.pre", "--work", "w1"});
  ASSERT_EQ(one.status, 0) << one.err;
  const RunResult two =
      ped_prep(d, {"run", "linkage", "gen.pre", "--genotypes", "gen.dat", "-o", "two.pre",
                   "--work", "w2", "--batch-records", "300", "--jobs", "2"});
  ASSERT_EQ(two.status, 0) << two.err;
  EXPECT_NE(two.out.find("in 2 batches"), std::string::npos) << two.out;
  EXPECT_EQ(d.read("one.pre"), d.read("two.pre"));
  const auto lines_from = [](const std::string& out) { return out.substr(out.find("genotype c")); };
  EXPECT_EQ(lines_from(one.out).substr(0, 200), lines_from(two.out).substr(0, 200));
  // The two weight files together are the one of the single run, renumbered.
  std::istringstream all(d.read("w1/genotype.w"));
  std::string joined = d.read("w2/batch-1/genotype.w") + d.read("w2/batch-2/genotype.w");
  std::istringstream parts(joined);
  std::string a_row, a_w, b_row, b_w;
  int rows = 0;
  while (all >> a_row >> a_w) {
    ASSERT_TRUE(parts >> b_row >> b_w);
    EXPECT_EQ(a_w, b_w) << "row " << a_row;
    ++rows;
  }
  EXPECT_FALSE(parts >> b_row);
  EXPECT_EQ(d.read("w2/batch-2/genotype.w").substr(0, 3), " 1 ");
  EXPECT_GT(rows, 400);
}

TEST(PedPrepGenotypesRun, OtherFormatsAndRelationshipValuesAreRefused) {
  WorkDir d;
  d.write("m.dat", HAND_DAT);
  const std::string usage = "\nTry 'ped_prep --help' for more information.\n";
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{"run", "fam", "x.fam", "--genotypes", "m.dat", "-o", "o"},
       "--genotypes is for linkage files: PLINK keeps the genotypes of a .fam file in its .bed "
       "file"},
      {{"import", "gedcom", "x.ged", "--genotypes", "m.dat", "-o", "o"},
       "--genotypes is for linkage files: GEDCOM files hold no genotypes"},
      {{"run", "chain", "x.ped", "--genotypes", "m.dat", "-o", "o"},
       "--genotypes is for linkage files: the chain's pedigree file has no further columns"},
      {{"run", "linkage", "x.pre", "--genotypes", "m.dat", "--weights", "r.dat", "-o", "o"},
       "--genotypes and --weights do not go together: each gives the weights"},
      {{"run", "linkage", "x.pre", "--genotypes=", "-o", "o"},
       "DATFILE missing: give --genotypes DATFILE"},
  };
  for (const auto& [args, message] : cases) {
    const RunResult r = ped_prep(d, args);
    EXPECT_EQ(r.status, 2) << message;
    EXPECT_EQ(r.err, "ped_prep: " + message + usage);
    EXPECT_EQ(r.out, "");
  }
}

TEST(PedPrepGenotypesRun, RecordsWithoutTheDescribedColumnsAndBadDataFilesAreRefused) {
  WorkDir d;
  std::string pre = HAND;
  pre.replace(pre.find("F 5 0 0 2  0 0  0 0"), 19, "F 5 0 0 2  0 0  0");
  pre += "F 10 0 0 1 1 1 1 1 1\n";
  d.write("hand.pre", pre);
  d.write("m.dat", HAND_DAT);
  const RunResult r =
      ped_prep(d, {"run", "linkage", "hand.pre", "--genotypes", "m.dat", "-o", "out.pre"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "ped_prep: hand.pre refused, 2 problems:\n"
            "  hand.pre:5: expected 9 columns (5 + 4 described by m.dat), found 8 in "
            "\"F 5 0 0 2  0 0  0\"\n"
            "  hand.pre:10: expected 9 columns (5 + 4 described by m.dat), found 10 in "
            "\"F 10 0 0 1 1 1 1 1 1\"\n");
  EXPECT_FALSE(d.exists("out.pre"));
  // More than 20 are counted.
  std::string many;
  for (int i = 1; i <= 23; ++i) many += "F " + std::to_string(i) + " 0 0 1 1 2\n";
  d.write("many.pre", many);
  const RunResult m =
      ped_prep(d, {"import", "linkage", "many.pre", "--genotypes", "m.dat", "-o", "dir"});
  EXPECT_EQ(m.status, 1);
  EXPECT_NE(m.err.find("  many.pre:20: expected 9 columns (5 + 4 described by m.dat), found 7 in "
                       "\"F 20 0 0 1 1 2\"\n  and 3 more problems\n"),
            std::string::npos)
      << m.err;
  EXPECT_FALSE(d.exists("dir"));
  // The data file's own faults name its line.
  d.write("bad.dat", "M m1\nX m2\n");
  const RunResult b =
      ped_prep(d, {"run", "linkage", "hand.pre", "--genotypes", "bad.dat", "-o", "out.pre"});
  EXPECT_EQ(b.status, 1);
  EXPECT_EQ(b.err,
            "ped_prep: bad.dat:2: expected a code A, T, C, M, S or E, found \"X\" in \"X m2\"\n");
  // The data file is an input: never written over.
  const RunResult o =
      ped_prep(d, {"run", "linkage", "hand.pre", "--genotypes", "m.dat", "-o", "m.dat"});
  EXPECT_EQ(o.status, 1);
  EXPECT_EQ(o.err, "ped_prep: m.dat: the output would replace the input m.dat: give another name\n");
  EXPECT_EQ(d.read("m.dat"), HAND_DAT);
  // A marker of more alleles than elimination keeps genotypes for.
  std::string wide;
  for (int i = 1; i <= 51; ++i)
    wide += "F " + std::to_string(i) + " 0 0 1 a" + std::to_string(2 * i) + " a" +
            std::to_string(2 * i + 1) + " 1 1\n";
  d.write("wide.pre", wide);
  const RunResult w =
      ped_prep(d, {"import", "linkage", "wide.pre", "--genotypes", "m.dat", "-o", "dir"});
  EXPECT_EQ(w.status, 1);
  EXPECT_EQ(w.err,
            "ped_prep: wide.pre refused, 1 problem:\n"
            "  wide.pre: marker m1: 102 alleles seen, more than the 100 genotype elimination "
            "takes\n");
}

}  // namespace
}  // namespace loopcut::testing
