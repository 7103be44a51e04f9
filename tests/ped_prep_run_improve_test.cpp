// ped_prep run and cut_improve: the cheaper cut by default, the step search's with --no-improve,
// and the summary of costs, bounds and gaps, per pedigree and over batches.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

namespace fs = std::filesystem;

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

const char* const CHECK_TABLE_TWO_FOR_ONE =
    " pedigree individuals  founders  one-parent   loops  on loops    left  breakers  copies  lost\n"
    "        1           6         2           0       2         3       0         1       2     0\n"
    "    total           6         2           0       2         3       0         1       2     0\n"
    "no loops left, nobody lost\n";

// The sire's two daughters each have a son by him: the step search cuts both daughters, the
// sire alone opens both loops.
TEST(PedPrepRunImprove, TheDefaultCutsLessThanTheStepSearchAndSaysSoWithoutAProgressLine) {
  WorkDir d;
  d.copy_fixture("improve_two_for_one");
  const RunResult r = ped_prep(d, {"run", "chain", "two.ped", "-o", "out.ped", "--work", "w"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out,
            "two.ped: 6 individuals in 1 pedigree, 2 loops in 1 of them, 3 individuals on loops\n"
            "chain: 1 pedigree with loops, 6 records, in w\n"
            "\n" +
                std::string(CHECK_TABLE_TWO_FOR_ONE) +
                "\n"
                " pedigree  cost before  cost after       bound   gap %\n"
                "        1          2.0         1.0         1.0     0.0  proven optimal\n"
                "    total          2.0         1.0         1.0     0.0  proven optimal\n"
                "cut: cost 2.0 before cut_improve, 1.0 after (2 -> 1 stars), proven optimal\n"
                "wrote out.ped (chain) and out.ped.copies.tsv (2 lines)\n");
  // Not on a terminal: no progress line in the log.
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(d.read("out.ped.copies.tsv"),
            "family\tid\tkind\toriginal\n\t5\tcopy\tsire\n\t7\tcopy\tsire\n");
}

TEST(PedPrepRunImprove, NoImproveGivesTheStepSearchsCutByteForByte) {
  WorkDir d;
  d.copy_fixture("improve_two_for_one");
  const RunResult r =
      ped_prep(d, {"run", "chain", "two.ped", "-o", "out.ped", "--work", "w", "--no-improve"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.find("cost before"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("cut_improve"), std::string::npos) << r.out;
  EXPECT_FALSE(d.exists("w/cut_improve.log"));
  EXPECT_NE(r.out.find("        1           6         2           0       2         3       0"
                       "         2       2     0\n"),
            std::string::npos)
      << r.out;
  // The chain run by hand in a folder made by import gives the same files.
  ASSERT_EQ(ped_prep(d, {"import", "chain", "two.ped", "-o", "imp"}).status, 0);
  WorkDir hand;
  for (const auto& file : fs::directory_iterator(d.path() / "imp"))
    hand.write(file.path().filename().string(), d.read("imp/" + file.path().filename().string()));
  ASSERT_EQ(hand.run("cut_select").status, 0);
  ASSERT_EQ(hand.run("ped_cut").status, 0);
  EXPECT_EQ(d.read("w/res.dat"), hand.read("res.dat"));
  EXPECT_EQ(d.read("w/pedigree.cut"), hand.read("pedigree.cut"));
}

// Families A and C without loops around B, D and E, each the sire with two daughters' sons.
std::string five_families() {
  std::string s;
  for (const char f : std::string("ABCDE")) {
    const std::string F(1, f);
    s += F + " 1 0 0 1 1\n" + F + " 2 0 0 2 1\n";
    if (f == 'A' || f == 'C') {
      s += F + " 3 1 2 1 1\n";
    } else {
      s += F + " 3 1 2 2 1\n" + F + " 4 1 2 2 1\n" + F + " 5 1 3 1 1\n" + F + " 6 1 4 1 1\n";
    }
  }
  return s;
}

std::string from(const std::string& text, const std::string& start) {
  const std::size_t at = text.find(start);
  return at == std::string::npos ? "(not found)" : text.substr(at);
}

TEST(PedPrepRunImprove, RowsCarryTheInputsPedigreeNumbersInBatchesAndInOneRun) {
  WorkDir d;
  d.write("in.pre", five_families());
  const RunResult batches = ped_prep(
      d, {"run", "linkage", "in.pre", "-o", "b.pre", "--batch-records", "12", "--jobs", "1"});
  const RunResult whole = ped_prep(d, {"run", "linkage", "in.pre", "-o", "w.pre"});
  ASSERT_EQ(batches.status, 0) << batches.out << batches.err;
  ASSERT_EQ(whole.status, 0) << whole.out << whole.err;
  EXPECT_NE(batches.out.find("in 2 batches, 1 at a time"), std::string::npos) << batches.out;
  const std::string table =
      " pedigree  cost before  cost after       bound   gap %\n"
      "        2          2.0         1.0         1.0     0.0  proven optimal\n"
      "        4          2.0         1.0         1.0     0.0  proven optimal\n"
      "        5          2.0         1.0         1.0     0.0  proven optimal\n"
      "    total          6.0         3.0         3.0     0.0  proven optimal\n"
      "cut: cost 6.0 before cut_improve, 3.0 after (6 -> 3 stars), proven optimal\n"
      "wrote ";
  EXPECT_EQ(from(batches.out, " pedigree  cost").substr(0, table.size()), table);
  EXPECT_EQ(from(whole.out, " pedigree  cost").substr(0, table.size()), table);
  EXPECT_EQ(d.read("b.pre"), d.read("w.pre"));
}

// A cut_improve that reports by the batch it runs in (the first batch holds two pedigrees, 13
// lines of pedigree file) and leaves the step search's cut; the other programs are the built ones.
void fake_cut_improve(const WorkDir& d) {
  fs::create_directory(d.path() / "bin");
  for (const char* program : {"cut_select", "ped_cut"})
    fs::create_symlink(fs::path(LOOPCUT_BIN_DIR) / program, d.path() / "bin" / program);
  d.write("bin/cut_improve",
          "#!/bin/sh\n"
          "echo ' READING of initial data'\n"
          "if [ \"$(wc -l < pedigree.ped)\" -gt 8 ]; then\n"
          "echo ' PEDIGREE:  1'\necho ' BEFORE: COST= 2.0 STARS= 2'\n"
          "echo ' AFTER: COST= 1.0 STARS= 1 proven optimal'\necho ' BOUND: COST= 1.0 GAP= 0.0 %'\n"
          "echo ' PEDIGREE:  2'\necho ' BEFORE: COST= 2.0 STARS= 2'\n"
          "echo ' AFTER: COST= 2.0 STARS= 2 proven optimal'\n"
          "echo ' TOTAL BEFORE: COST= 4.0 STARS= 4'\n"
          "echo ' TOTAL AFTER: COST= 3.0 STARS= 3 proven optimal'\n"
          "echo ' TOTAL BOUND: COST= 2.5 GAP= 16.7 %'\n"
          "else\n"
          "echo ' PEDIGREE:  1'\necho ' BEFORE: COST= 2.0 STARS= 2'\n"
          "echo ' AFTER: COST= 2.0 STARS= 2 not proven optimal'\n"
          "echo ' BOUND: COST= 1.5 GAP= 25.0 %'\n"
          "echo ' TOTAL BEFORE: COST= 2.0 STARS= 2'\n"
          "echo ' TOTAL AFTER: COST= 2.0 STARS= 2 not proven optimal'\n"
          "echo ' TOTAL BOUND: COST= 1.5 GAP= 25.0 %'\n"
          "echo ' STOPPED by LOOPCUT_IMPROVE_SECONDS before the work budget was spent: on "
          "another machine the cut may differ'\n"
          "fi\n");
  fs::permissions(d.path() / "bin/cut_improve", fs::perms::owner_all);
}

TEST(PedPrepRunImprove, BatchesAddUpCostsAndBoundsAndProveOnlyWhatEveryBatchProved) {
  WorkDir d;
  d.write("in.pre", five_families());
  fake_cut_improve(d);
  const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", "--bin", "bin",
                                   "--batch-records", "12", "--jobs", "2"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // Pedigree 4's part has no loop in the optimiser's view: no bound, no gap. The total's gap is
  // that of the sums, (5 - 4) / 5, not an average of the batches'.
  EXPECT_EQ(from(r.out, " pedigree  cost"),
            " pedigree  cost before  cost after       bound   gap %\n"
            "        2          2.0         1.0         1.0     0.0  proven optimal\n"
            "        4          2.0         2.0           -       -\n"
            "        5          2.0         2.0         1.5    25.0\n"
            "    total          6.0         5.0         4.0    20.0\n"
            "cut: cost 6.0 before cut_improve, 5.0 after (6 -> 5 stars), not proven optimal (no "
            "cut costs less than 4.0: at most 20.0 % above the best)\n"
            "cut_improve was stopped by LOOPCUT_IMPROVE_SECONDS before its work budget was spent: "
            "on another machine the cut may differ\n"
            "wrote out.pre (linkage) and out.pre.copies.tsv (6 lines)\n"
            "note: the copies are untied founders in a pre-makeped file; for LINKAGE programs "
            "write it with --to makeped, which ties each to its original\n");
  EXPECT_EQ(r.err, "");
}

TEST(PedPrepRunImprove, ImproveAndNoImproveTogetherAreAUsageError) {
  WorkDir d;
  d.copy_fixture("improve_two_for_one");
  const RunResult r =
      ped_prep(d, {"run", "chain", "two.ped", "-o", "out.ped", "--improve", "3", "--no-improve"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err,
            "ped_prep: --improve and --no-improve exclude each other\n"
            "Try 'ped_prep --help' for more information.\n");
  EXPECT_FALSE(d.exists("out.ped"));
}

}  // namespace
}  // namespace loopcut::testing
