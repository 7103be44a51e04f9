// The optimiser's driver: input files, division into pedigrees, capacity stops and the record
// checks that come before anything is written.
#include <gtest/gtest.h>

#include <string>

#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

const std::string kTask = "peds.dat\nweights.dat\n";
const std::string kOldReport = "previous report\n";

// A pedigree file of founders with the given pedigree numbers, a matching weight file and an
// earlier report.
void write_founders(const WorkDir& dir, const std::vector<int>& peds) {
  testing::write_founders(dir, peds, kTask, kOldReport);
}

std::string pedigree_lines(int n) {
  std::string s = " READING of initial data\n";
  for (int ip = 1; ip <= n; ++ip) s += " PEDIGREE:  " + std::to_string(ip) + "\n";
  return s;
}

TEST(CutSelectDriver, DividesByRunningNumberAndPrintsOneLinePerPedigree) {
  WorkDir dir;
  write_founders(dir, {1, 1, 1, 2, 2, 3});
  RunResult r = dir.run("cut_select");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, pedigree_lines(3));
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(dir.read("res.dat"), "");  // replaced

  // Numbers that skip a value still open one pedigree each; a first record whose number is
  // not 1 leaves pedigree 1 empty.
  write_founders(dir, {1, 1, 3, 3});
  EXPECT_EQ(dir.run("cut_select").out, pedigree_lines(3));
  write_founders(dir, {7});
  EXPECT_EQ(dir.run("cut_select").out, pedigree_lines(2));
}

TEST(CutSelectDriver, HeaderOnlyFileRunsOneEmptyPedigree) {
  WorkDir dir;
  dir.write("task.inp", kTask);
  dir.write("peds.dat", "ped id fa mo sex kod\n");
  dir.write("weights.dat", "");
  RunResult r = dir.run("cut_select");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, pedigree_lines(1));
  EXPECT_TRUE(dir.exists("res.dat"));
}

TEST(CutSelectDriver, CapacityStopsExitOneAndLeaveTheReportUntouched) {
  WorkDir dir;
  std::vector<int> many(24097, 1);
  write_founders(dir, many);
  dir.write("weights.dat", "");  // never opened
  RunResult r = dir.run("cut_select");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, " READING of initial data\n ndat>N_SIZE: 24097 24096\n"
                   " Set LOOPCUT_N_SIZE in the environment to raise this ceiling.\n");
  EXPECT_EQ(dir.read("res.dat"), kOldReport);

  std::vector<int> peds;
  for (int k = 1; k <= 599; ++k) peds.push_back(k);
  write_founders(dir, peds);
  r = dir.run("cut_select");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, " READING of initial data\n nfam>N_FAM: 599 600\n"
                   " Set LOOPCUT_N_FAM in the environment to raise this ceiling.\n");
  EXPECT_EQ(dir.read("res.dat"), kOldReport);

  peds.pop_back();  // 598 pedigrees fit
  write_founders(dir, peds);
  r = dir.run("cut_select");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, pedigree_lines(598));
}

TEST(CutSelectDriver, InputErrorsNameFileAndLineExitOneAndCreateNothing) {
  struct Case {
    std::string name;
    std::string task, peds, weights;
    std::string err;
  };
  const std::string peds = "header\n1 1 0 0 1 A\n1 2 0 0 2 B\n";
  const std::vector<Case> cases = {
      {"missing task", "", peds, "1 1\n2 1\n",
       "task.inp: cannot open for reading (No such file or directory)\n"},
      {"task with one name", "peds.dat\n", peds, "1 1\n2 1\n",
       "task.inp:1: expected a text item (weight file name), found end of file\n"},
      {"missing pedigree file", kTask, "", "1 1\n2 1\n",
       "peds.dat: cannot open for reading (No such file or directory)\n"},
      {"text for a number", kTask, "header\n1 1 0 0 1 A\n1 2 x 0 2 B\n", "1 1\n2 1\n",
       "peds.dat:3: expected an integer (father), found \"x\" in \"1 2 x 0 2 B\"\n"},
      {"missing weight file", kTask, peds, "",
       "weights.dat: cannot open for reading (No such file or directory)\n"},
      {"short weight file", kTask, peds, "1 1\n",
       "weights.dat:1: expected an integer (star number of weight record 2 of 2), found end of "
       "file\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WorkDir dir;
    if (!c.task.empty()) dir.write("task.inp", c.task);
    if (!c.peds.empty()) dir.write("peds.dat", c.peds);
    if (!c.weights.empty()) dir.write("weights.dat", c.weights);
    RunResult r = dir.run("cut_select");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.err);
    EXPECT_FALSE(dir.exists("res.dat"));
    EXPECT_EQ(dir.exists("task.inp"), !c.task.empty());
    EXPECT_EQ(dir.exists("peds.dat"), !c.peds.empty());
    EXPECT_EQ(dir.exists("weights.dat"), !c.weights.empty());
  }
}

TEST(CutSelectDriver, WeightFileExtraLinesAndStarNumbersAreIgnoredAndLastRecordMayBeCut) {
  WorkDir dir;
  dir.write("task.inp", kTask);
  dir.write("peds.dat", "header\n1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1\n");  // record 3 cut short
  dir.write("weights.dat", "9 1.0\n9 2.0 extra\nnot read at all\n");
  RunResult r = dir.run("cut_select");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out, pedigree_lines(1));
}

TEST(CutSelectDriver, RecordsTheStepsCannotUseAsRowsAreRefusedBeforeTheReport) {
  struct Case {
    std::string records;
    std::string line;
  };
  const std::vector<Case> cases = {
      {"1 1 0 0 1 A\n1 3 0 0 2 B\n", " ERROR: row 2: identifier 3 is not the row number 2\n"},
      {"1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 9 1 C\n",
       " ERROR: row 3: mother 9 is not a record of the same pedigree\n"},
      {"1 1 0 0 1 A\n2 2 0 0 2 B\n2 3 1 2 1 C\n",
       " ERROR: row 3: father 1 is not a record of the same pedigree\n"},
      {"1 1 0 0 2 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n", " ERROR: row 3: father 1 has sex 2, not 1\n"},
      {"1 1 0 0 1 A\n1 2 0 0 3 B\n1 3 1 2 1 C\n", " ERROR: row 3: mother 2 has sex 3, not 2\n"},
      {"1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 -1 2 1 C\n",
       " ERROR: row 3: father -1 is not a record of the same pedigree\n"},
      {"1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 4 2 1 C\n1 4 3 2 1 D\n",
       " ERROR: row 3: individual 3 is its own ancestor\n"},
      {"1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 5 2 1 D\n1 5 6 0 1 E\n1 6 4 0 1 F\n",
       " ERROR: row 4: individual 4 is its own ancestor\n"},
      {"1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 3 2 1 C\n",
       " ERROR: row 3: individual 3 is its own ancestor\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.records);
    WorkDir dir;
    dir.write("task.inp", kTask);
    dir.write("peds.dat", "header\n" + c.records);
    dir.write("weights.dat", "1 1\n2 1\n3 1\n4 1\n5 1\n6 1\n");
    dir.write("res.dat", kOldReport);
    RunResult r = dir.run("cut_select");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, " READING of initial data\n" + c.line);
    EXPECT_EQ(dir.read("res.dat"), kOldReport);
  }
  // A record that is nobody's parent may carry any sex code.
  WorkDir dir;
  dir.write("task.inp", kTask);
  dir.write("peds.dat", "header\n1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 0 C\n");
  dir.write("weights.dat", "1 1\n2 1\n3 1\n");
  EXPECT_EQ(dir.run("cut_select").status, 0);
}

}  // namespace
}  // namespace loopcut::testing
