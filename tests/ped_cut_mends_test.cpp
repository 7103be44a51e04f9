// ped_cut's stops and exit statuses, its refusal of unusable input, and the cases where a plain
// reading of the pedigree or report would cut the wrong individual or lose a label.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/par.hpp"
#include "support/ped_cut_runs.hpp"

namespace loopcut {
namespace {

using testing::cut;
using testing::HEADER;
using testing::READING;
using testing::report_line;
using testing::row;
using testing::RunResult;
using testing::WorkDir;

const std::string OLD_FILE = "an earlier cut pedigree\n";
const std::string N_SIZE_STOP =
    "Increase parameter N_SIZE in par.incl and recompile !\n"
    "Set LOOPCUT_N_SIZE in the environment to raise this ceiling.\n";

std::string founders(int count) {
  std::string s;
  for (int i = 1; i <= count; ++i) s += "1 " + std::to_string(i) + " 0 0 1 P" + std::to_string(i) + "\n";
  return s;
}

TEST(PedCutStops, EveryStopHasStatus1AndLeavesAnExistingFileUntouched) {
  struct Case {
    const char* name;
    std::string pedigree, report, out, err;
  };
  std::string many_lines;
  for (int k = 0; k <= N_STAR; ++k) many_lines += "1 P1\n";
  const Case cases[] = {
      {"label no read row carries", "", "     7   Q                   \n",
       READING + " ERROR: there is not breaker 7\n", ""},
      {"more records than rows", founders(N_SIZE + 1), "", READING, N_SIZE_STOP},
      {"more report lines than entries", founders(1), many_lines, READING,
       "Increase parameter N_STAR in par.incl and recompile !\n"
       "Set LOOPCUT_N_STAR in the environment to raise this ceiling.\n"},
      // A full table leaves no spare identifier for the renumbering.
      {"no room for the spare identifier", founders(N_SIZE), "", READING, N_SIZE_STOP},
      // K, a child of P1, has L: cutting K needs a row beyond the table.
      {"no room for a copy",
       founders(N_SIZE - 2) + "1 " + std::to_string(N_SIZE - 1) + " 1 0 1 K\n1 " +
           std::to_string(N_SIZE) + " " + std::to_string(N_SIZE - 1) + " 0 1 L\n",
       std::to_string(N_SIZE - 1) + " K\n", READING, N_SIZE_STOP},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDir dir;
    dir.write("cut.ped", OLD_FILE);
    RunResult r = cut(dir, c.pedigree, c.report);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(dir.read("cut.ped"), OLD_FILE);
    EXPECT_FALSE(dir.exists("cut.ped.part"));
  }
}

TEST(PedCutStops, MissingTaskOrPedigreeFileIsAnInputErrorAndNothingIsCreated) {
  {
    SCOPED_TRACE("no task file");
    WorkDir dir;
    RunResult r = dir.run("ped_cut");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("task.inp"), std::string::npos) << r.err;
    EXPECT_FALSE(dir.exists("task.inp"));
  }
  {
    SCOPED_TRACE("no pedigree file");
    WorkDir dir;
    dir.write("task.inp", "family.ped\nweights.dat\ncut.ped\n");
    RunResult r = dir.run("ped_cut");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, READING);
    EXPECT_NE(r.err.find("family.ped"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "one line: " << r.err;
    for (const char* name : {"family.ped", "res.dat", "weights.dat", "cut.ped"})
      EXPECT_FALSE(dir.exists(name)) << name;
  }
  {
    SCOPED_TRACE("no report and no weight file read as empty");
    WorkDir dir;
    dir.write("task.inp", "family.ped\nweights.dat\ncut.ped\n");
    dir.write("family.ped", "header\n1 1 0 0 1 A\n");
    RunResult r = dir.run("ped_cut");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(dir.read("cut.ped"), HEADER + row("     1     1     0     0     1     2", "A"));
    EXPECT_FALSE(dir.exists("res.dat"));
    EXPECT_FALSE(dir.exists("weights.dat"));
  }
}

TEST(PedCutMends, ValidationLinesAreWarningsAndTheRunEndsWithStatus0) {
  WorkDir dir;
  // B is nobody's parent, so an identifier that is not its row is carried along with a warning.
  RunResult r = cut(dir, "1 1 0 0 1 A\n1 5 0 0 2 B\n", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING + " ERROR: no correct ID on line 2\n");
  EXPECT_EQ(dir.read("cut.ped"), HEADER + row("     1     1     0     0     1     2", "A") +
                                     row("     2     5     0     0     2     2", "B"));
}

TEST(PedCutMends, ChildWithOnlyAMotherJoinsHerPedigree) {
  WorkDir dir;
  RunResult r = cut(dir, "1 1 0 0 1 X\n1 2 0 0 2 M\n1 3 0 2 1 C\n", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(dir.read("cut.ped"), HEADER + row("     1     1     0     0     2     2", "M") +
                                     row("     1     2     0     1     1     2", "C") +
                                     row("     2     3     0     0     1     2", "X"));
}

TEST(PedCutMends, UnusableParentsAndBreakerSexAreRefusedBeforeAnythingIsCut) {
  struct Case {
    std::string pedigree, report, line;
  };
  const Case cases[] = {
      {"1 1 0 0 1 A\n1 2 1 9 1 B\n", "", "ERROR: row 2: mother 9 is not a record"},
      {"1 1 -1 0 1 A\n", "", "ERROR: row 1: father -1 is not a record"},
      {"1 1 0 0 2 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n", "", "ERROR: row 3: father 1 has sex 2, not 1"},
      {"1 1 0 0 1 A\n1 2 0 0 1 B\n1 3 1 2 1 C\n", "", "ERROR: row 3: mother 2 has sex 1, not 2"},
      {"1 1 0 0 1 A\n1 5 0 0 2 B\n1 3 1 2 1 C\n", "",
       "ERROR: row 3: mother 2 names the record in row 2, whose identifier is 5"},
      {"1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 4 2 1 C\n1 4 3 2 1 D\n", "",
       "ERROR: row 3: individual 3 is its own ancestor"},
      // Refused although the cut would come first in the run.
      {"1 1 0 0 1 A\n1 2 0 0 3 B\n1 3 1 0 1 C\n", report_line("2", "B") + "\n",
       "ERROR: row 2: breaker of report line 1 has sex 3, neither 1 nor 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    WorkDir dir;
    dir.write("cut.ped", OLD_FILE);
    RunResult r = cut(dir, c.pedigree, c.report);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, READING + " " + c.line + "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.read("cut.ped"), OLD_FILE);
  }
  // A sex other than 1 or 2 on someone who is neither a parent nor a breaker is carried along.
  WorkDir dir;
  RunResult r = cut(dir, "1 1 0 0 0 A\n", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir.read("cut.ped"), HEADER + row("     1     1     0     0     0     2", "A"));
}

TEST(PedCutMends, RepeatedLabelsCutTheIndividualTheReportNamesAndNeverMergeTwoPeople) {
  // Two families each with an X: A x B have X (row 3); G x H have X (row 6) and his sister S,
  // and X and S have Y, a loop through X.
  const std::string pedigree =
      "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 X\n"
      "2 4 0 0 1 G\n2 5 0 0 2 H\n2 6 4 5 1 X\n2 7 4 5 2 S\n2 8 6 7 1 Y\n";
  // Row 6 is cut, not the first X; the copy stays on the loop, and the first X is not merged
  // into the second.
  WorkDir dir;
  RunResult r = cut(dir, pedigree, report_line("6", "X") + "\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "G") +
                row("     1     2     0     0     2     2", "H") +
                row("     1     3     1     2     1     2", "X") +
                row("     1     4     1     2     2     2", "S") +
                row("     1     5     0     0     1     1", "X") +
                row("     1     6     5     4     1     2", "Y") +
                row("     2     7     0     0     1     2", "A") +
                row("     2     8     0     0     2     2", "B") +
                row("     2     9     7     8     1     2", "X"));
}

TEST(PedCutMends, ReportLinesInTheOptimisersLayoutKeepTheirLabelsWhole) {
  // The loop of C and D, with labels that a free-format read would cut short or lose.
  const std::string c_label = "C, 'JR'/2";
  const std::string pedigree =
      "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 \"C, 'JR'/2\"\n1 4 1 2 2 ''\n1 5 0 0 2 E\n"
      "1 6 0 0 1 F\n1 7 3 5 1 G\n1 8 6 4 2 H\n1 9 7 8 1 I\n";
  // CRLF line ends; D's empty label is 20 blanks, not the next line's identifier.
  const std::string report = report_line("3", c_label) + "\r\n" + report_line("4", "") + "\r\n";
  WorkDir dir;
  RunResult r = cut(dir, pedigree, report, "3 1.0\n4 2.0\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  // D is heavier, so its cut is undone and C's copy stays.
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "A") +
                row("     1     2     0     0     2     2", "B") +
                row("     1     3     1     2     1     2", c_label) +
                row("     1     4     1     2     2     2", "") +
                row("     1     5     0     0     2     2", "E") +
                row("     1     6     0     0     1     2", "F") +
                row("     1     7     6     4     2     2", "H") +
                row("     1     8     0     0     1     1", c_label) +
                row("     1     9     8     5     1     2", "G") +
                row("     1    10     9     7     1     2", "I"));
}

TEST(PedCutMends, ReportWithBareCrOrMixedLineEndsCutsEveryBreaker) {
  // Two pedigrees, each with the loop of C and D; the report cuts C in both.
  const std::string pedigree =
      "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 1 2 2 D\n1 5 0 0 2 E\n"
      "1 6 0 0 1 F\n1 7 3 5 1 G\n1 8 6 4 2 H\n1 9 7 8 1 I\n"
      "2 10 0 0 1 A2\n2 11 0 0 2 B2\n2 12 10 11 1 C2\n2 13 10 11 2 D2\n2 14 0 0 2 E2\n"
      "2 15 0 0 1 F2\n2 16 12 14 1 G2\n2 17 15 13 2 H2\n2 18 16 17 1 I2\n";
  const std::string c1 = report_line("3", "C"), c2 = report_line("12", "C2");
  WorkDir lf;
  ASSERT_EQ(cut(lf, pedigree, c1 + "\n" + c2 + "\n").status, 0);
  const std::string expected = lf.read("cut.ped");
  // The header, 18 rows and one copy (prob 1) of each C.
  ASSERT_EQ(std::count(expected.begin(), expected.end(), '\n'), 21);
  ASSERT_NE(expected.find("     1     1  C "), std::string::npos);
  ASSERT_NE(expected.find("     1     1  C2 "), std::string::npos);
  const struct {
    const char* name;
    std::string report;
  } cases[] = {
      {"CR", c1 + "\r" + c2 + "\r"},
      {"CR LF", c1 + "\r\n" + c2 + "\r\n"},
      {"CR LF, then a blank line and a record ended by CR", c1 + "\r\n\r" + c2 + "\r"},
      {"free-format records, CR and LF", "3 C\r12 C2\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDir dir;
    const RunResult r = cut(dir, pedigree, c.report);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, READING);
    EXPECT_EQ(dir.read("cut.ped"), expected);
  }
}

TEST(PedCutMends, FounderBreakerWhoseFirstChildHasNoOtherParentKeepsOnlyThatChild) {
  WorkDir dir;
  // A has C with no mother and D with B; C and D have X. D goes to a copy, which the loop
  // through X keeps.
  RunResult r = cut(dir, "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 0 1 C\n1 4 1 2 2 D\n1 5 3 4 1 X\n",
                    report_line("1", "A") + "\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "A") +
                row("     1     2     0     0     2     2", "B") +
                row("     1     3     1     0     1     2", "C") +
                row("     1     4     0     0     1     1", "A") +
                row("     1     5     4     2     2     2", "D") +
                row("     1     6     3     5     1     2", "X"));
}

}  // namespace
}  // namespace loopcut
