// ped_prep check: loop counts of the pedigree graph, and the verdict on a cut file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ped_prep/pipeline/check.hpp"
#include "ped_prep/pipeline/loops.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

using prep::analyse_loops;

// Individuals given as (father, mother) with 1-based indices, 0 for none.
prep::LoopAnalysis loops_of(const std::vector<std::pair<int, int>>& parents,
                            std::vector<int> group = {}, int groups = 1) {
  std::vector<int> fa, mo;
  for (auto [f, m] : parents) {
    fa.push_back(f - 1);
    mo.push_back(m - 1);
  }
  if (group.empty()) group.assign(parents.size(), 0);
  return analyse_loops(fa, mo, group, groups);
}

std::vector<int> on_loop(const prep::LoopAnalysis& a) {
  std::vector<int> v;
  for (std::size_t i = 0; i < a.on_loop.size(); ++i)
    if (a.on_loop[i]) v.push_back(static_cast<int>(i) + 1);
  return v;
}

TEST(PedPrepLoops, CousinMarriageHasOneLoopThroughTheCousinsAndTheirParents) {
  // 1 A, 2 B, 3 C and 4 D their children, 5 E, 6 F mates, 7 G = C x E, 8 H = F x D, 9 I = G x H.
  const auto a = loops_of({{0, 0}, {0, 0}, {1, 2}, {1, 2}, {0, 0}, {0, 0}, {3, 5}, {6, 4}, {7, 8}});
  EXPECT_EQ(a.loops[0], 1);
  EXPECT_EQ(on_loop(a), (std::vector<int>{3, 4, 7, 8}));
  EXPECT_EQ(a.on_loop_count[0], 4);
}

TEST(PedPrepLoops, DoubleFirstCousinsHaveTwoLoops) {
  // Two brothers (5, 6) marry two sisters (7, 8); their children 9 and 10 have a child 11.
  const auto a = loops_of({{0, 0}, {0, 0}, {0, 0}, {0, 0}, {1, 2}, {1, 2}, {3, 4}, {3, 4},
                           {5, 7}, {6, 8}, {9, 10}});
  EXPECT_EQ(a.loops[0], 2);
  EXPECT_EQ(on_loop(a), (std::vector<int>{5, 6, 7, 8, 9, 10}));
}

TEST(PedPrepLoops, TreesAndHalfSibsWithoutLoops) {
  // A father with children by two mothers, grandchildren, a one-parent record: no loop.
  const auto a = loops_of({{0, 0}, {0, 0}, {0, 0}, {1, 2}, {1, 3}, {4, 0}, {0, 5}});
  EXPECT_EQ(a.loops[0], 0);
  EXPECT_TRUE(on_loop(a).empty());
}

TEST(PedPrepLoops, LoopThroughAMotherOfAOneParentRecordIsSeen) {
  // 3 and 4 sibs; 6 = 3 x 5 and 7 has mother 4 only; 8 = 6 x 7 closes a loop through 4.
  const auto a = loops_of({{0, 0}, {0, 0}, {1, 2}, {1, 2}, {0, 0}, {3, 5}, {0, 4}, {6, 7}});
  EXPECT_EQ(a.loops[0], 1);
  EXPECT_EQ(on_loop(a), (std::vector<int>{3, 4, 6, 7}));
}

TEST(PedPrepLoops, LoopsAreCountedPerPedigree) {
  // Pedigree 0: sibs 3 and 4 have a child 5 (one loop); pedigree 1: a trio; pedigree 2: a
  // founder alone.
  const auto a = loops_of({{0, 0}, {0, 0}, {1, 2}, {1, 2}, {3, 4}, {0, 0}, {0, 0}, {6, 7}, {0, 0}},
                          {0, 0, 0, 0, 0, 1, 1, 1, 2}, 3);
  EXPECT_EQ(a.loops, (std::vector<long>{1, 0, 0}));
  EXPECT_EQ(a.on_loop_count, (std::vector<int>{2, 0, 0}));
}

TEST(PedPrepLoops, LongLineOfDescentRunsWithoutRecursion) {
  // 1 x 2 have 3; then 200000 generations, each the child of the one before; the last has a
  // child by 1: one loop through 1 and every generation.
  const int n = 200000;
  std::vector<std::pair<int, int>> p{{0, 0}, {0, 0}, {1, 2}};
  for (int i = 4; i <= n; ++i) p.push_back({0, i - 1});
  p.push_back({1, n});
  const auto a = loops_of(p);
  EXPECT_EQ(a.loops[0], 1);
  EXPECT_EQ(a.on_loop_count[0], n - 1);
  EXPECT_FALSE(a.on_loop[1]);
  EXPECT_FALSE(a.on_loop[n]);
}

// The cousin-marriage pedigree, and its cut at C: C's child G goes to a founder copy of C.
const char* const INPUT =
    " ped id fa mo sex kod\n"
    "1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 1 2 2 D\n1 5 0 0 2 E\n"
    "1 6 0 0 1 F\n1 7 3 5 1 G\n1 8 6 4 2 H\n1 9 7 8 1 I\n"
    "2 10 0 0 1 X\n";

const char* const GOOD_CUT =
    " ped id fa mo sex prob kod\n"
    "1 1 0 0 1 2 A\n1 2 0 0 2 2 B\n1 3 1 2 1 2 C\n1 4 1 2 2 2 D\n1 5 0 0 2 2 E\n"
    "1 6 0 0 1 2 F\n1 7 6 4 2 2 H\n1 8 0 0 1 1 C\n1 9 8 5 1 2 G\n1 10 9 7 1 2 I\n"
    "2 11 0 0 1 2 X\n";

TEST(PedPrepCheck, CutWithoutLoopsAndEveryonePresentPasses) {
  WorkDir d;
  d.write("in.ped", INPUT);
  d.write("cut.ped", GOOD_CUT);
  const RunResult r = run_command(d, "ped_prep", {"check", "in.ped", "cut.ped"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("        1           9         4           0       1         4       0         1       1     0"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
}

TEST(PedPrepCheck, LoopsLeftFailTheCheck) {
  WorkDir d;
  d.write("in.ped", INPUT);
  const RunResult alone = run_command(d, "ped_prep", {"check", "in.ped"});
  EXPECT_EQ(alone.status, 0) << "without a cut file loops are information, not a failure";
  // The input itself as its own cut: nothing was cut.
  d.write("cut.ped", " ped id fa mo sex prob kod\n1 1 0 0 1 2 A\n1 2 0 0 2 2 B\n1 3 1 2 1 2 C\n"
                     "1 4 1 2 2 2 D\n1 5 0 0 2 2 E\n1 6 0 0 1 2 F\n1 7 3 5 1 2 G\n"
                     "1 8 6 4 2 2 H\n1 9 7 8 1 2 I\n2 10 0 0 1 2 X\n");
  const RunResult r = run_command(d, "ped_prep", {"check", "in.ped", "cut.ped"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("1 loop left in 1 pedigree, 0 individuals lost"), std::string::npos) << r.out;
}

TEST(PedPrepCheck, LostIndividualsAndChangedParentsFailTheCheck) {
  WorkDir d;
  d.write("in.ped", INPUT);
  // X is missing, and I names E as its mother instead of H.
  std::string cut = GOOD_CUT;
  cut.erase(cut.find("2 11 0 0 1 2 X\n"));
  cut.replace(cut.find("1 10 9 7 1 2 I"), 14, "1 10 9 5 1 2 I");
  d.write("cut.ped", cut);
  const RunResult r = run_command(d, "ped_prep", {"check", "in.ped", "cut.ped"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("X (pedigree 2) is missing from the cut file"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("I (pedigree 1) has mother E in the cut file, H in the input"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("1 loop left in 1 pedigree, 2 individuals lost"), std::string::npos) << r.out;
}

TEST(PedPrepCheck, FaultsOfThePedigreeFileAreReported) {
  WorkDir d;
  d.write("in.ped", " ped id fa mo sex kod\n1 1 0 0 2 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 7 2 1 D\n");
  const RunResult r = run_command(d, "ped_prep", {"check", "in.ped"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("C: father A has sex 2"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("D: father 7 has no record"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace loopcut::testing
