// The capacities as ceilings that the environment moves: bad values refused by every program
// before anything is read or written, and every capacity stop firing at the ceiling in force.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/par.hpp"
#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

std::string hint(const std::string& variable) {
  return "Set " + variable + " in the environment to raise this ceiling.\n";
}

// Founders, one pedigree number each from `peds`, with a weight file and an old report.
void write_founders(const WorkDir& dir, const std::vector<int>& peds) {
  testing::write_founders(dir, peds, "peds.dat\nweights.dat\ncut.dat\n", "old report\n");
}

// A male founder with n founder mates and one child by each: one star of n mates.
void write_sire(const WorkDir& dir, int n) {
  std::string p = "ped id fa mo sex kod\n1 1 0 0 1 S\n";
  std::string w = "1 1.0\n";
  for (int k = 1; k <= n; ++k) p += "1 " + std::to_string(1 + k) + " 0 0 2 M\n";
  for (int k = 1; k <= n; ++k) p += "1 " + std::to_string(1 + n + k) + " 1 " + std::to_string(1 + k) + " 1 C\n";
  for (int i = 2; i <= 2 * n + 1; ++i) w += std::to_string(i) + " 1.0\n";
  dir.write("task.inp", "peds.dat\nweights.dat\ncut.dat\n");
  dir.write("peds.dat", p);
  dir.write("weights.dat", w);
}

TEST(Ceilings, MalformedOrOutOfRangeValuesStopEveryProgramBeforeItReadsOrWrites) {
  struct Bad {
    std::string setting;
    std::string message;
  };
  const std::vector<Bad> bad = {
      {"LOOPCUT_N_SIZE=abc", "LOOPCUT_N_SIZE: expected a whole number from 1 to 999999, found \"abc\""},
      {"LOOPCUT_N_SIZE=12x", "LOOPCUT_N_SIZE: expected a whole number from 1 to 999999, found \"12x\""},
      {"LOOPCUT_N_SIZE=+5", "LOOPCUT_N_SIZE: expected a whole number from 1 to 999999, found \"+5\""},
      {"LOOPCUT_N_SIZE=0", "LOOPCUT_N_SIZE: expected a whole number from 1 to 999999, found \"0\""},
      {"LOOPCUT_N_FAM=2", "LOOPCUT_N_FAM: expected a whole number from 3 to 999999, found \"2\""},
      {"LOOPCUT_N_STAR=1000000", "LOOPCUT_N_STAR: expected a whole number from 1 to 999999, found \"1000000\""},
      {"LOOPCUT_N_STAR=99999999999", "LOOPCUT_N_STAR: expected a whole number from 1 to 999999, found \"99999999999\""},
      {"LOOPCUT_M_STAR=", "LOOPCUT_M_STAR: expected a whole number from 3 to 999999, found \"\""},
      {"LOOPCUT_M_STAR=-7", "LOOPCUT_M_STAR: expected a whole number from 3 to 999999, found \"-7\""},
  };
  for (const char* program : {"cut_select", "ped_cut", "cost_prep"}) {
    for (const Bad& b : bad) {
      WorkDir dir;
      write_founders(dir, {1, 1});
      dir.write("task_w_fin.inp", "2\nlist.dat\n");
      dir.write("rrr.dat", "0 1.0\n1 0.5\n2 0.5\n");
      const RunResult r = dir.run(program, b.setting);
      EXPECT_EQ(r.status, 1) << program << " " << b.setting;
      EXPECT_EQ(r.out, "") << program << " " << b.setting;
      EXPECT_EQ(r.err, b.message + "\n") << program << " " << b.setting;
      EXPECT_EQ(dir.read("res.dat"), "old report\n");
      EXPECT_FALSE(dir.exists("cut.dat"));
      EXPECT_FALSE(dir.exists("w_0.dat"));
    }
  }
}

TEST(Ceilings, OptimiserStopsAtTheCeilingsInForce) {
  WorkDir dir;
  // Records: a ceiling lowered to 29 stops 30 records, one of 30 takes them.
  write_founders(dir, std::vector<int>(30, 1));
  RunResult r = dir.run("cut_select", "LOOPCUT_N_SIZE=29");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, " READING of initial data\n ndat>N_SIZE: 30 29\n " + hint("LOOPCUT_N_SIZE"));
  EXPECT_EQ(dir.read("res.dat"), "old report\n");
  EXPECT_EQ(dir.run("cut_select", "LOOPCUT_N_SIZE=30").status, 0);

  // Beyond the build value when raised.
  write_founders(dir, std::vector<int>(N_SIZE + 1, 1));
  r = dir.run("cut_select", "LOOPCUT_N_SIZE=" + std::to_string(N_SIZE + 1));
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, " READING of initial data\n PEDIGREE:  1\n");

  // Pedigrees: N_FAM 601 holds 599, stops at the 600th.
  std::vector<int> peds;
  for (int k = 1; k <= 599; ++k) peds.push_back(k);
  write_founders(dir, peds);
  EXPECT_EQ(dir.run("cut_select", "LOOPCUT_N_FAM=601").status, 0);
  peds.push_back(600);
  write_founders(dir, peds);
  r = dir.run("cut_select", "LOOPCUT_N_FAM=601");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, " READING of initial data\n nfam>N_FAM: 600 601\n " + hint("LOOPCUT_N_FAM"));
}

TEST(Ceilings, AStarOfThousandsOfMatesPassesARaisedMatesCeiling) {
  WorkDir dir;
  write_sire(dir, 54);
  RunResult r = dir.run("cut_select");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, " READING of initial data\n PEDIGREE:  1\n max_spou+2>M_STAR: 54 55\n " +
                       hint("LOOPCUT_M_STAR"));
  EXPECT_EQ(dir.run("cut_select", "LOOPCUT_M_STAR=56").status, 0);

  // 3000 mates: the list room is the ceiling less one, so 3001 stops and 3002 passes.
  write_sire(dir, 3000);
  r = dir.run("cut_select", "LOOPCUT_M_STAR=3001");
  EXPECT_EQ(r.out, " READING of initial data\n PEDIGREE:  1\n max_spou+2>M_STAR: 3000 3001\n " +
                       hint("LOOPCUT_M_STAR"));
  r = dir.run("cut_select", "LOOPCUT_M_STAR=3002");
  EXPECT_EQ(r.status, 0);
  // Without loops, nothing is cut and the sire joins no sibship worth a star.
  EXPECT_EQ(r.out, " READING of initial data\n PEDIGREE:  1\n");
  EXPECT_EQ(dir.read("res.dat"), "");

  // Stars: a ceiling of 3 stops a pedigree with four stars.
  dir.write("peds.dat",
            "h\n1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n1 4 1 2 2 D\n1 5 1 2 2 H\n1 6 1 2 1 K\n"
            "1 7 3 4 1 E\n1 8 3 5 2 G\n1 9 6 4 1 L\n");
  std::string w;
  for (int i = 1; i <= 9; ++i) w += std::to_string(i) + " 1.0\n";
  dir.write("weights.dat", w);
  r = dir.run("cut_select", "LOOPCUT_N_STAR=3");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, " READING of initial data\n PEDIGREE:  1\n nstar>N_STAR: 4 3\n " +
                       hint("LOOPCUT_N_STAR"));
  EXPECT_EQ(dir.run("cut_select", "LOOPCUT_N_STAR=4").status, 0);
}

TEST(Ceilings, CutterAndWeightsStopAtTheCeilingsInForce) {
  WorkDir dir;
  // The cutter needs a spare identifier behind the rows: N_SIZE + 1 records need N_SIZE + 2.
  write_founders(dir, std::vector<int>(N_SIZE + 1, 1));
  dir.write("res.dat", "");
  RunResult r = dir.run("ped_cut", "LOOPCUT_N_SIZE=" + std::to_string(N_SIZE + 1));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Increase parameter N_SIZE in par.incl and recompile !\n" + hint("LOOPCUT_N_SIZE"));
  r = dir.run("ped_cut", "LOOPCUT_N_SIZE=" + std::to_string(N_SIZE + 2));
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string cut = dir.read("cut.dat");
  EXPECT_EQ(std::count(cut.begin(), cut.end(), '\n'), N_SIZE + 2);  // header and every record

  // Report lines beyond the star ceiling.
  write_founders(dir, {1, 1, 1});
  dir.write("res.dat", "     1   L1\n     2   L2\n");
  r = dir.run("ped_cut", "LOOPCUT_N_STAR=1");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Increase parameter N_STAR in par.incl and recompile !\n" + hint("LOOPCUT_N_STAR"));

  // Weights for more stars than the build holds.
  const int n = N_STAR + 5;
  dir.write("task_w_fin.inp", std::to_string(n) + "\nlist.dat\n");
  std::string rrr = "0 2\n";
  for (int k = 1; k <= n; ++k) rrr += std::to_string(k) + " 1\n";
  dir.write("rrr.dat", rrr);
  r = dir.run("cost_prep");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Increase parameter N_STAR in par.incl and recompile !\n" + hint("LOOPCUT_N_STAR"));
  r = dir.run("cost_prep", "LOOPCUT_N_STAR=" + std::to_string(n));
  EXPECT_EQ(r.status, 0) << r.err;
  const std::string w0 = dir.read("w_0.dat");
  EXPECT_EQ(std::count(w0.begin(), w0.end(), '\n'), n);
  EXPECT_TRUE(w0.ends_with(" " + std::to_string(n) + " 50.0\n")) << w0.substr(w0.size() - 40);
}

}  // namespace
}  // namespace loopcut::testing
