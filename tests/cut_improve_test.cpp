// cut_improve: the cut it writes never costs more than the given one and leaves no loop (both
// checked here with a union-find and sums of the test's own), it is the optimum where a brute
// force over every selection or Kruskal's forest knows it, and bad input is refused untouched.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numeric>
#include <random>
#include <sstream>
#include <string>

#include "bench/pedigree_generator.hpp"
#include "cut_improve/cut_improve.hpp"
#include "support/run_command.hpp"
#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

// ---- The test's own view of a selection.

bool no_loop(const StarModel& m, const Kept& kept) {
  std::vector<int> up(static_cast<std::size_t>(m.nnode) + 1);
  std::iota(up.begin(), up.end(), 0);
  auto root = [&](int v) {
    while (up[v] != v) v = up[v];
    return v;
  };
  for (std::size_t s = 0; s < m.stars.size(); ++s) {
    if (!kept[s]) continue;
    for (std::size_t k = 1; k < m.stars[s].nodes.size(); ++k) {
      const int a = root(m.stars[s].nodes[0]);
      const int b = root(m.stars[s].nodes[k]);
      if (a == b) return false;
      up[a] = b;
    }
  }
  return true;
}

double cost(const StarModel& m, const Kept& kept) {
  double c = 0.0;
  for (std::size_t s = 0; s < m.stars.size(); ++s) c += kept[s] ? 0.0 : double(m.stars[s].weight);
  return c;
}

// The cheapest loop-free cut, over every selection.
double brute_force_optimum(const StarModel& m) {
  const std::size_t n = m.stars.size();
  double best = cost(m, Kept(n, 0));
  for (unsigned bits = 0; bits < (1u << n); ++bits) {
    Kept kept(n);
    for (std::size_t s = 0; s < n; ++s) kept[s] = (bits >> s) & 1u;
    if (no_loop(m, kept)) best = std::min(best, cost(m, kept));
  }
  return best;
}

// A random loop-free selection: the stars in random order, each kept when it fits.
Kept random_selection(const StarModel& m, std::mt19937& rng) {
  Kept kept(m.stars.size(), 0);
  std::vector<std::size_t> order(m.stars.size());
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), rng);
  for (std::size_t s : order) {
    if (rng() % 3 == 0) continue;
    kept[s] = 1;
    if (!no_loop(m, kept)) kept[s] = 0;
  }
  return kept;
}

int pick(std::mt19937& rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

// Stars of one to four mates over a few nodes; weights whole, halves or arbitrary floats.
StarModel random_model(std::mt19937& rng, int nstar, int kind) {
  StarModel m;
  m.nnode = pick(rng, 3, 8);
  for (int t = 0; t < nstar; ++t) {
    ModelStar s;
    s.id = t + 1;
    const int size = pick(rng, 1, std::min(4, m.nnode - 1));
    s.nodes.push_back(pick(rng, 1, m.nnode));
    while (static_cast<int>(s.nodes.size()) <= size) {
      const int v = pick(rng, 1, m.nnode);
      // Now and then a node twice: a star that closes a loop by itself.
      if (std::find(s.nodes.begin(), s.nodes.end(), v) == s.nodes.end() || pick(rng, 1, 30) == 1)
        s.nodes.push_back(v);
    }
    s.weight = kind == 0   ? 1.0f
               : kind == 1 ? 0.5f * static_cast<float>(pick(rng, 0, 8))
                           : std::uniform_real_distribution<float>(0.0f, 7.0f)(rng);
    m.stars.push_back(s);
  }
  return m;
}

TEST(CutImprove, FindsTheBruteForceOptimumOnSmallModelsAndNeverCostsMore) {
  std::mt19937 rng(7);
  for (int round = 0; round < 150; ++round) {
    // Several pedigrees at once, as a run has them.
    std::vector<StarModel> models;
    std::vector<Kept> given;
    for (int p = 0; p < 3; ++p) {
      models.push_back(random_model(rng, pick(rng, 0, 13), round % 3));
      given.push_back(random_selection(models.back(), rng));
    }
    const std::vector<Improved> out = improve_cuts(models, given, work_units(20.0)).pedigrees;
    for (std::size_t p = 0; p < models.size(); ++p) {
      SCOPED_TRACE("round " + std::to_string(round) + " pedigree " + std::to_string(p));
      EXPECT_TRUE(no_loop(models[p], out[p].kept));
      EXPECT_LE(cost(models[p], out[p].kept), cost(models[p], given[p]));
      EXPECT_EQ(cost(models[p], out[p].kept), brute_force_optimum(models[p]));
      EXPECT_TRUE(out[p].proven);
    }
  }
}

TEST(CutImprove, KeepsTheKruskalForestWhereEveryStarHasOneMate) {
  std::mt19937 rng(11);
  for (int round = 0; round < 20; ++round) {
    StarModel m;
    m.nnode = pick(rng, 5, 60);
    const int nstar = pick(rng, 1, 4 * m.nnode);
    for (int t = 0; t < nstar; ++t) {
      ModelStar s;
      s.id = t + 1;
      const int a = pick(rng, 1, m.nnode);
      int b = pick(rng, 1, m.nnode - 1);
      if (b >= a) ++b;
      s.nodes = {a, b};
      s.weight = static_cast<float>(pick(rng, 0, 1 << 20)) / 64.0f;
      m.stars.push_back(s);
    }
    // Kruskal: the heaviest links first, each kept when it joins two trees.
    std::vector<std::size_t> order(m.stars.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t x, std::size_t y) { return m.stars[x].weight > m.stars[y].weight; });
    Kept forest(m.stars.size(), 0);
    for (std::size_t s : order) {
      forest[s] = 1;
      if (!no_loop(m, forest)) forest[s] = 0;
    }
    const Kept nothing_kept(m.stars.size(), 0);
    const std::vector<Improved> out = improve_cuts({m}, {nothing_kept}, work_units(20.0)).pedigrees;
    EXPECT_EQ(cost(m, out[0].kept), cost(m, forest)) << "round " << round;
    EXPECT_TRUE(no_loop(m, out[0].kept));
    EXPECT_TRUE(out[0].proven);
  }
}

// Two cycles meet at node 3 and their stars alternate in star order; each part must number
// node 3 once, or a loop through it goes unseen.
TEST(CutImprove, PartsThatMeetAtANodeSeeTheLoopsThroughIt) {
  StarModel m;
  m.nnode = 5;
  const std::vector<std::vector<int>> nodes = {{1, 3}, {4, 3}, {2, 1, 3}, {5, 4, 3}};
  for (std::size_t t = 0; t < nodes.size(); ++t) {
    ModelStar s;
    s.id = static_cast<int>(t) + 1;
    s.nodes = nodes[t];
    s.weight = 1.0f;
    m.stars.push_back(s);
  }
  const std::vector<Improved> out = improve_cuts({m}, {Kept(4, 0)}, work_units(20.0)).pedigrees;
  EXPECT_TRUE(no_loop(m, out[0].kept));
  EXPECT_EQ(cost(m, out[0].kept), 2.0);
  EXPECT_TRUE(out[0].proven);
}

// Weights of very different sizes: sums round, so nothing is claimed optimal, but the new cut
// never costs more than the given one in the sum that prices both.
TEST(CutImprove, WeightsThatRoundNeverMakeTheCutDearer) {
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    StarModel m = random_model(rng, pick(rng, 1, 14), 0);
    for (ModelStar& s : m.stars) {
      s.weight = std::ldexp(std::uniform_real_distribution<float>(1.0f, 2.0f)(rng), pick(rng, -30, 30));
    }
    const Kept given = random_selection(m, rng);
    const std::vector<Improved> out = improve_cuts({m}, {given}, work_units(20.0)).pedigrees;
    EXPECT_TRUE(no_loop(m, out[0].kept)) << round;
    EXPECT_LE(cost(m, out[0].kept), cost(m, given)) << round;
  }
}

TEST(CutImprove, WithoutTimeTheGivenCutStays) {
  std::mt19937 rng(3);
  const StarModel m = random_model(rng, 12, 0);
  const Kept given = random_selection(m, rng);
  const std::vector<Improved> out = improve_cuts({m}, {given}, 0).pedigrees;
  EXPECT_LE(cost(m, out[0].kept), cost(m, given));
  EXPECT_TRUE(no_loop(m, out[0].kept));
}

// ---- The program.

// Sets an environment variable for the programs a test runs.
class Setting {
 public:
  Setting(const char* name, const char* value) : name_(name) { setenv(name, value, 1); }
  ~Setting() { unsetenv(name_); }
  Setting(const Setting&) = delete;
  Setting& operator=(const Setting&) = delete;

 private:
  const char* name_;
};

// Worked by hand. The sire (row 1) has three mates: the dam and their two daughters. Sibships:
// the daughters (A), the sire as a founder with several mates (B), each daughter's son (C, D).
// Stars: daughter_b A-D and daughter_a A-C of one mate, the sire B-A, B-C, B-D of three. The
// step search reaches step 2 with both daughters (2.0), then step 3 with the sire alone (1.0),
// and keeps the last step: it cuts both daughters. Dropping the sire for both daughters cuts
// one star.
TEST(CutImproveProgram, DropsOneKeptStarForTwoWhereTheStepSearchKeptTheLastStep) {
  WorkDir dir;
  dir.copy_fixture("improve_two_for_one");
  ASSERT_EQ(dir.run("cut_select").status, 0);
  EXPECT_EQ(dir.read("res.dat"), "     4   daughter_b          \n     3   daughter_a          \n");
  const RunResult r = dir.run("cut_improve");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out,
            " READING of initial data\n PEDIGREE:  1\n BEFORE: COST= 2.0 STARS= 2\n"
            " AFTER: COST= 1.0 STARS= 1 proven optimal\n BOUND: COST= 1.0 GAP= 0.0 %\n"
            " TOTAL BEFORE: COST= 2.0 STARS= 2\n"
            " TOTAL AFTER: COST= 1.0 STARS= 1 proven optimal\n TOTAL BOUND: COST= 1.0 GAP= 0.0 %\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(dir.read("res.dat"), "     1   sire                \n");
  EXPECT_FALSE(dir.exists("res.dat.part"));
  // The cutter takes it: the sire's offspring go to two founder copies.
  ASSERT_EQ(dir.run("ped_cut").status, 0);
  EXPECT_NE(dir.read("two.cut").find("     1     7     0     0     1     1  sire"), std::string::npos);
  // Run again, nothing is cheaper: the file stays as it is.
  EXPECT_EQ(dir.run("cut_improve").status, 0);
  EXPECT_EQ(dir.read("res.dat"), "     1   sire                \n");
}

TEST(CutImproveProgram, GeneratedHerdsWithManyMateSiresGetNoWorseLoopFreeCuts) {
  const Setting budget("LOOPCUT_IMPROVE_BUDGET", "1");
  for (std::uint64_t seed = 1; seed <= 3; ++seed) {
    bench::GeneratorOptions o;
    o.records = 400;
    o.seed = seed;
    o.mate_window = 6;  // few sires, many mates each
    o.weights = seed == 2 ? bench::GeneratorOptions::Weights::equal
                          : bench::GeneratorOptions::Weights::varied;
    const bench::GeneratedFiles g = bench::generate_pedigree(o);
    WorkDir dir;
    dir.write("task.inp", "g.ped\ng.w\ng.cut\n");
    dir.write("g.ped", g.pedigree);
    dir.write("g.w", g.weights);
    ASSERT_EQ(dir.run("cut_select").status, 0);
    const std::string dir_s = dir.path().string();
    const std::vector<StarModel> models = build_star_models(dir_s + "/g.ped", dir_s + "/g.w");
    const std::vector<Kept> before = read_cut(dir_s + "/res.dat", models);
    const RunResult r = dir.run("cut_improve");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Kept> after = read_cut(dir_s + "/res.dat", models);
    for (std::size_t p = 0; p < models.size(); ++p) {
      EXPECT_TRUE(no_loop(models[p], after[p]));
      EXPECT_LE(cost(models[p], after[p]), cost(models[p], before[p]));
    }
    EXPECT_EQ(dir.run("ped_cut").status, 0);
  }
}

TEST(CutImproveProgram, RefusesABadBudgetOrReportAndLeavesTheReport) {
  WorkDir dir;
  dir.copy_fixture("improve_two_for_one");
  const std::string report = "     4   daughter_b          \n     3   daughter_a          \n";
  for (const char* name : {"LOOPCUT_IMPROVE_BUDGET", "LOOPCUT_IMPROVE_SECONDS"}) {
    for (const char* bad : {"ten", "-1", "", "1e3", "1.5.2", "nan"}) {
      const Setting setting(name, bad);
      dir.write("res.dat", report);
      const RunResult r = dir.run("cut_improve");
      EXPECT_EQ(r.status, 1) << bad;
      EXPECT_EQ(r.err, std::string(name) + ": expected a number of seconds (0 or more), found \"" +
                           bad + "\"\n");
      EXPECT_EQ(dir.read("res.dat"), report);
    }
  }
  const struct {
    std::string report, error;
  } cases[] = {
      {"     5   son_of_a            \n",
       "res.dat:1: expected the identifier of a star's centre, found 5\n"},
      {"     4   daughter_a          \n",
       "res.dat:1: expected the label \"daughter_b\" of individual 4, found \"daughter_a\"\n"},
      {"     4   daughter_b\n     4   daughter_b\n",
       "res.dat:2: expected each breaker once, found individual 4 again\n"},
      {"     1   sire                \n     4   daughter_b          \n"
       "     3   daughter_a          \n", ""},
      {"     4   daughter_b          \n", "res.dat: the cut leaves a loop in pedigree 1\n"},
  };
  for (const auto& c : cases) {
    dir.write("res.dat", c.report);
    const RunResult r = dir.run("cut_improve");
    if (c.error.empty()) {
      // Cutting every star is a loop-free start: the cheapest cut follows.
      EXPECT_EQ(r.status, 0);
      EXPECT_EQ(dir.read("res.dat"), "     1   sire                \n");
      continue;
    }
    EXPECT_EQ(r.status, 1) << c.report;
    EXPECT_EQ(r.err, c.error);
    EXPECT_EQ(dir.read("res.dat"), c.report);
    EXPECT_FALSE(dir.exists("res.dat.part"));
  }
}

// ---- ped_prep run --improve.

TEST(PedPrepRunImprove, RunsBetweenTheOptimiserAndTheCutterAndSaysWhatTheCutCost) {
  WorkDir d;
  const std::string ped = source_path("tests/data/squirrel.ped").string();
  const RunResult plain = run_command(d, "ped_prep", {"run", "chain", ped, "-o", "plain.cut"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out.find("cut: cost"), std::string::npos);
  const RunResult r =
      run_command(d, "ped_prep", {"run", "chain", ped, "--improve", "1", "-o", "better.cut"});
  ASSERT_EQ(r.status, 0) << r.err;
  const std::size_t at = r.out.find("cut: cost ");
  ASSERT_NE(at, std::string::npos) << r.out;
  std::istringstream line(r.out.substr(at + 10));
  double before = 0, after = 0;
  std::string words[2];
  line >> before >> words[0] >> words[1] >> after;
  EXPECT_EQ(words[0] + " " + words[1], "before cut_improve,");
  EXPECT_LE(after, before);

  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
  // Only the breakers and their copies may differ from the plain chain's file.
  EXPECT_EQ(d.read("plain.cut").substr(0, 80), d.read("better.cut").substr(0, 80));

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"run", "chain", ped, "--improve=soon", "-o", "x.cut"},
        std::vector<std::string>{"run", "chain", ped, "--improve", "--improve", "-o", "x.cut"}}) {
    const RunResult u = run_command(d, "ped_prep", bad);
    EXPECT_EQ(u.status, 2) << u.err;
    EXPECT_FALSE(d.exists("x.cut"));
  }
}

}  // namespace
}  // namespace loopcut::testing
