// End-to-end runs of ped_cut on small pedigrees whose cut result is known by hand.
#include <gtest/gtest.h>

#include <string>

#include "support/ped_cut_runs.hpp"

namespace loopcut {
namespace {

using testing::cut;
using testing::HEADER;
using testing::READING;
using testing::row;
using testing::RunResult;
using testing::WorkDir;


// Identifier, father, mother, sex, label: A and B have C and D; G (C x E) and H (F x D) have I,
// so I's parents descend from A and B through C and D.
const std::string LOOP =
    "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 1 2 2 D\n1 5 0 0 2 E\n"
    "1 6 0 0 1 F\n1 7 3 5 1 G\n1 8 6 4 2 H\n1 9 7 8 1 I\n";

// The loop with only C cut: the copy of C fathers G, and I still joins it to the rest.
const std::string LOOP_CUT_AT_C =
    HEADER + row("     1     1     0     0     1     2", "A") +
    row("     1     2     0     0     2     2", "B") + row("     1     3     1     2     1     2", "C") +
    row("     1     4     1     2     2     2", "D") + row("     1     5     0     0     2     2", "E") +
    row("     1     6     0     0     1     2", "F") + row("     1     7     6     4     2     2", "H") +
    row("     1     8     0     0     1     1", "C") + row("     1     9     8     5     1     2", "G") +
    row("     1    10     9     7     1     2", "I");

// The loop with only D cut: the copy of D mothers H.
const std::string LOOP_CUT_AT_D =
    HEADER + row("     1     1     0     0     1     2", "A") +
    row("     1     2     0     0     2     2", "B") + row("     1     3     1     2     1     2", "C") +
    row("     1     4     1     2     2     2", "D") + row("     1     5     0     0     2     2", "E") +
    row("     1     6     0     0     1     2", "F") + row("     1     7     3     5     1     2", "G") +
    row("     1     8     0     0     2     1", "D") + row("     1     9     6     8     2     2", "H") +
    row("     1    10     7     9     1     2", "I");

TEST(PedCutExamples, PedigreeWithoutLoopComesBackUnchanged) {
  WorkDir dir;
  // Free-format report line: C's cut makes a copy for E's child, which then lies apart from C.
  RunResult r = cut(dir, "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 0 0 2 D\n1 5 3 4 2 E\n",
                    "3,'C'\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "A") +
                row("     1     2     0     0     2     2", "B") +
                row("     1     3     1     2     1     2", "C") +
                row("     1     4     0     0     2     2", "D") +
                row("     1     5     3     4     2     2", "E"));
}

TEST(PedCutExamples, LoopCutAtOneBreakerKeepsTheCopy) {
  WorkDir dir;
  RunResult r = cut(dir, LOOP, "     3   C                   \n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(dir.read("cut.ped"), LOOP_CUT_AT_C);
}

TEST(PedCutExamples, TwoCutsOnOneLoopUndoTheHeavierAndKeepTheLighter) {
  const std::string report = "     3   C                   \n     4   D                   \n";
  {
    SCOPED_TRACE("D heavier: D's copy is dropped");
    WorkDir dir;
    EXPECT_EQ(cut(dir, LOOP, report, "3 1.0\n4 2.0\n").status, 0);
    EXPECT_EQ(dir.read("cut.ped"), LOOP_CUT_AT_C);
  }
  {
    SCOPED_TRACE("C heavier: C's copy is dropped");
    WorkDir dir;
    EXPECT_EQ(cut(dir, LOOP, report, "4 1.0\n3 2.0\n").status, 0);
    EXPECT_EQ(dir.read("cut.ped"), LOOP_CUT_AT_D);
  }
  {
    SCOPED_TRACE("equal weights: the entry listed first is undone");
    WorkDir dir;
    EXPECT_EQ(cut(dir, LOOP, report, "3 0.5\n4 0.5\n").status, 0);
    EXPECT_EQ(dir.read("cut.ped"), LOOP_CUT_AT_D);
  }
  {
    SCOPED_TRACE("no weight file: all 0.0, report order");
    WorkDir dir;
    dir.write("task.inp", "family.ped\nnone.dat\ncut.ped\n");
    dir.write("family.ped", "header\n" + LOOP);
    dir.write("res.dat", "     4   D                   \n     3   C                   \n");
    RunResult r = dir.run("ped_cut");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(dir.read("cut.ped"), LOOP_CUT_AT_C);
    EXPECT_FALSE(dir.exists("none.dat"));
  }
  {
    SCOPED_TRACE("a later weight record replaces an earlier one; unmatched records are ignored");
    WorkDir dir;
    EXPECT_EQ(cut(dir, LOOP, report, "3 5.0\n99 7.0\n4 2.0\n3 1.0\n").status, 0);
    EXPECT_EQ(dir.read("cut.ped"), LOOP_CUT_AT_C);
  }
}

TEST(PedCutExamples, FounderBreakerKeepsItsFirstMatesChildren) {
  WorkDir dir;
  // A has D with B and E with C; D and E have F, so the copy for C stays joined.
  RunResult r = cut(dir, "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 0 0 2 C\n1 4 1 2 1 D\n1 5 1 3 2 E\n1 6 4 5 1 F\n",
                    "     1   A                   \n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "A") +
                row("     1     2     0     0     2     2", "B") +
                row("     1     3     0     0     2     2", "C") +
                row("     1     4     1     2     1     2", "D") +
                row("     1     5     0     0     1     1", "A") +
                row("     1     6     5     3     2     2", "E") +
                row("     1     7     4     6     1     2", "F"));
}

TEST(PedCutExamples, BreakerWithAFatherGivesEachMatesChildrenToOneCopy) {
  WorkDir dir;
  // C (child of A and B) has X and Z with his sister D and Y with his sister E, so both copies
  // stay joined through the sisters. Listed twice, C is cut once.
  RunResult r = cut(dir,
                    "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 1 2 2 D\n1 5 1 2 2 E\n"
                    "1 6 3 4 1 X\n1 7 3 5 2 Y\n1 8 3 4 2 Z\n",
                    "3 C\n3 C\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "A") +
                row("     1     2     0     0     2     2", "B") +
                row("     1     3     1     2     1     2", "C") +
                row("     1     4     1     2     2     2", "D") +
                row("     1     5     1     2     2     2", "E") +
                row("     1     6     0     0     1     1", "C") +
                row("     1     7     6     4     2     2", "Z") +
                row("     1     8     6     4     1     2", "X") +
                row("     1     9     0     0     1     1", "C") +
                row("     1    10     9     5     2     2", "Y"));
}

TEST(PedCutExamples, UnconnectedPedigreesComeLargestFirstWithParentsBeforeChildren) {
  WorkDir dir;
  RunResult r = cut(dir,
                    "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n2 4 0 0 1 D\n2 5 0 0 2 E\n"
                    "2 6 4 5 1 F\n2 7 4 5 2 G\n3 8 0 0 1 H\n",
                    "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "D") +
                row("     1     2     0     0     2     2", "E") +
                row("     1     3     1     2     1     2", "F") +
                row("     1     4     1     2     2     2", "G") +
                row("     2     5     0     0     2     2", "B") +
                row("     2     6     0     0     1     2", "A") +
                row("     2     7     6     5     1     2", "C") +
                row("     3     8     0     0     1     2", "H"));
}

TEST(PedCutExamples, ChildListedBeforeItsParentsIsMovedBehindThem) {
  WorkDir dir;
  RunResult r = cut(dir, "1 1 2 3 1 C\n1 2 0 0 1 A\n1 3 0 0 2 B\n", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "A") +
                row("     1     2     0     0     2     2", "B") +
                row("     1     3     1     2     1     2", "C"));
}

TEST(PedCutExamples, IdentifiersOutOfOrderAreWarnedAboutAndWrittenAllTheSame) {
  WorkDir dir;
  RunResult r = cut(dir, "1 1 0 0 1 A\n2 2 0 0 2 B\n3 3 0 0 1 C\n4 5 0 0 2 D\n", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING + " ERROR: no correct ID on line 4\n");
  EXPECT_EQ(dir.read("cut.ped"),
            HEADER + row("     1     1     0     0     1     2", "A") +
                row("     2     2     0     0     2     2", "B") +
                row("     3     3     0     0     1     2", "C") +
                row("     4     5     0     0     2     2", "D"));
}

TEST(PedCutExamples, EmptyPedigreeGivesOnlyTheHeader) {
  WorkDir dir;
  RunResult r = cut(dir, "", "");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, READING);
  EXPECT_EQ(dir.read("cut.ped"), HEADER);
}

}  // namespace
}  // namespace loopcut
