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

// ---- The bound.

// Weights of one kind: whole, halves, arbitrary floats, or spread over orders of magnitude with
// ties among them.
void spread_weights(StarModel& m, std::mt19937& rng, int kind) {
  for (ModelStar& s : m.stars) {
    if (kind == 3) s.weight = std::ldexp(1.0f, pick(rng, -12, 12));
    if (kind == 4) s.weight = std::ldexp(std::uniform_real_distribution<float>(1.0f, 2.0f)(rng), pick(rng, -20, 20));
  }
  if (kind >= 3 && !m.stars.empty()) m.stars.back().weight = m.stars.front().weight;  // a tie
}

TEST(CutImproveBound, IsNeverAboveTheBruteForceOptimumAndProvenOnlyWhereItAgrees) {
  std::mt19937 rng(17);
  int proven = 0, pedigrees = 0;
  for (int round = 0; round < 250; ++round) {
    const int kind = round % 5;
    std::vector<StarModel> models;
    std::vector<Kept> given;
    for (int p = 0; p < 2; ++p) {
      models.push_back(random_model(rng, pick(rng, 1, 14), std::min(kind, 2)));
      spread_weights(models.back(), rng, kind);
      given.push_back(random_selection(models.back(), rng));
    }
    // Now and then too little work to finish: the bound must hold all the same.
    const long long work = round % 7 == 0 ? 2000 : work_units(5.0);
    const Improvement out = improve_cuts(models, given, work);
    for (std::size_t p = 0; p < models.size(); ++p) {
      SCOPED_TRACE("round " + std::to_string(round) + " pedigree " + std::to_string(p));
      const double optimum = brute_force_optimum(models[p]);
      const Improved& r = out.pedigrees[p];
      EXPECT_LE(r.bound, optimum * (1 + 1e-12) + 1e-12);
      EXPECT_TRUE(no_loop(models[p], r.kept));
      if (r.proven) {
        EXPECT_EQ(cost(models[p], r.kept), optimum);
      }
      proven += r.proven ? 1 : 0;
      ++pedigrees;
    }
  }
  // Exact sums and enough work prove nearly every small pedigree.
  EXPECT_GT(proven, pedigrees * 3 / 5);
}

TEST(CutImproveBound, TheRelaxationBoundsEachPartFromAboveWhateverItsWork) {
  std::mt19937 rng(23);
  for (int round = 0; round < 120; ++round) {
    StarModel m = random_model(rng, pick(rng, 2, 14), round % 3);
    spread_weights(m, rng, round % 5);
    const Decomposition d = split_into_parts(m);
    for (const Part& part : d.parts) {
      // The most any loop-free selection of the part's members keeps.
      double most = 0.0;
      for (unsigned bits = 0; bits < (1u << part.size()); ++bits) {
        std::vector<int> up(static_cast<std::size_t>(part.nnode));
        std::iota(up.begin(), up.end(), 0);
        auto root = [&](int v) {
          while (up[v] != v) v = up[v];
          return v;
        };
        bool ok = true;
        double kept = 0.0;
        for (int k = 0; k < part.size() && ok; ++k) {
          if (!((bits >> k) & 1u)) continue;
          kept += part.weight[k];
          for (std::size_t j = 1; j < part.nodes[k].size() && ok; ++j) {
            const int a = root(part.nodes[k][0]);
            const int b = root(part.nodes[k][j]);
            ok = a != b;
            up[a] = b;
          }
        }
        if (ok) most = std::max(most, kept);
      }
      // With and without a selection to steer the search for sets.
      std::vector<char> steer(static_cast<std::size_t>(part.size()), 0);
      {
        WallClock clock(-1);
        Budget budget(work_units(1.0), clock);
        local_search(part, steer, budget);
      }
      for (const long long work : {0LL, 5000LL, work_units(5.0)}) {
        for (const bool steered : {false, true}) {
          WallClock clock(-1);
          Budget budget(work, clock);
          const PartBound b = forest_bound(part, budget, -1.0, steered ? steer : std::vector<char>{});
          EXPECT_GE(round_kept_bound(part, b.kept), most * (1 - 1e-12)) << round << " " << work;
          if (b.integral) {
            EXPECT_EQ(kept_weight(part, b.selection), most) << round;
          }
          if (work > 5000) {
            EXPECT_TRUE(b.finished) << round;
          }
        }
      }
    }
  }
}

// Many stars over a few nodes: the program soon holds more sets than members and drops the
// slack ones. It must still end with no violated set left, and bound the exact search's optimum.
TEST(CutImproveBound, DroppingSlackSetsFromACrowdedProgramStillEndsAndBounds) {
  std::mt19937 rng(31);
  for (int round = 0; round < 60; ++round) {
    StarModel m;
    m.nnode = pick(rng, 20, 30);
    for (int t = 0; t < 2 * m.nnode; ++t) {
      ModelStar s;
      s.id = t + 1;
      s.weight = round % 2 == 0 ? 1.0f : static_cast<float>(pick(rng, 1, 10));
      s.nodes.push_back(pick(rng, 1, m.nnode));
      for (int k = pick(rng, 1, 4); k > 0; --k) {
        const int v = pick(rng, 1, m.nnode);
        if (std::find(s.nodes.begin(), s.nodes.end(), v) == s.nodes.end()) s.nodes.push_back(v);
      }
      m.stars.push_back(s);
    }
    for (const Part& part : split_into_parts(m).parts) {
      WallClock clock(-1);
      Budget budget(work_units(5.0), clock);
      const PartBound b = forest_bound(part, budget, -1.0);
      EXPECT_TRUE(b.finished) << round;
      std::vector<char> in(static_cast<std::size_t>(part.size()), 0);
      ASSERT_TRUE(branch_and_bound(part, in, budget, std::vector<signed char>(in.size(), OPEN)));
      EXPECT_GE(round_kept_bound(part, b.kept), kept_weight(part, in)) << round;
    }
  }
}

TEST(CutImproveBound, EverySetFoundIsViolatedAndASelectionViolatesNone) {
  std::mt19937 rng(29);
  for (int round = 0; round < 200; ++round) {
    const StarModel m = random_model(rng, pick(rng, 4, 14), 0);
    for (const Part& part : split_into_parts(m).parts) {
      std::vector<double> x(static_cast<std::size_t>(part.size()));
      for (double& v : x) v = pick(rng, 0, 2) == 0 ? 1.0 : std::uniform_real_distribution<double>(0, 1)(rng);
      WallClock clock(-1);
      Budget budget(work_units(1.0), clock);
      for (const NodeSet& set : violated_sets(part, x, budget, 50)) {
        EXPECT_GT(forest_violation(part, x, set), 1e-6) << round;
      }
      // A loop-free selection is a point of the relaxation.
      std::vector<char> in(static_cast<std::size_t>(part.size()), 0);
      local_search(part, in, budget);
      for (int k = 0; k < part.size(); ++k) x[k] = in[k];
      EXPECT_TRUE(violated_sets(part, x, budget, 50).empty()) << round;
    }
  }
}

// The search counts its work, not seconds: the same input and budget give the same cut and
// bound, however busy the machine, and a wall-clock limit that is not reached changes nothing.
TEST(CutImprove, TheSameInputAndBudgetGiveTheSameCut) {
  bench::GeneratorOptions o;
  o.records = 600;
  o.seed = 4;
  o.mate_window = 6;
  o.weights = bench::GeneratorOptions::Weights::varied;
  const bench::GeneratedFiles g = bench::generate_pedigree(o);
  WorkDir dir;
  dir.write("g.ped", g.pedigree);
  dir.write("g.w", g.weights);
  const std::string d = dir.path().string();
  const std::vector<StarModel> models = build_star_models(d + "/g.ped", d + "/g.w");
  std::vector<Kept> nothing;
  for (const StarModel& m : models) nothing.push_back(Kept(m.stars.size(), 0));
  const Improvement first = improve_cuts(models, nothing, work_units(0.3));
  const Improvement again = improve_cuts(models, nothing, work_units(0.3));
  const Improvement timed = improve_cuts(models, nothing, work_units(0.3), 3600.0);
  EXPECT_EQ(first.work, again.work);
  for (std::size_t p = 0; p < models.size(); ++p) {
    EXPECT_EQ(first.pedigrees[p].kept, again.pedigrees[p].kept) << p;
    EXPECT_EQ(first.pedigrees[p].kept, timed.pedigrees[p].kept) << p;
    EXPECT_EQ(first.pedigrees[p].bound, again.pedigrees[p].bound) << p;
  }
  EXPECT_FALSE(timed.clock_stopped);
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
      // Bare CR line ends: both breakers are read, so the start is loop-free.
      {"     4   daughter_b          \r     3   daughter_a          \r", ""},
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

// The report is read by its columns, as the cutter reads it: labels with blanks, commas, quotes,
// bytes beyond ASCII and empty labels, the same labels again in another pedigree.
TEST(CutImproveProgram, ReadsTheReportByItsColumnsWhateverTheLabelsHold) {
  WorkDir dir;
  dir.write("task.inp", "two.ped\ntwo.w\ntwo.cut\n");
  std::string ped = "ped id fa mo sex kod\n", weights;
  for (int p = 0; p < 2; ++p) {
    const int o = 6 * p;
    auto row = [&](int id, int fa, int mo, int sex, const std::string& kod) {
      ped += std::to_string(p + 1) + " " + std::to_string(id + o) + " " +
             std::to_string(fa == 0 ? 0 : fa + o) + " " + std::to_string(mo == 0 ? 0 : mo + o) + " " +
             std::to_string(sex) + " " + kod + "\n";
      weights += std::to_string(id + o) + " 1.0\n";
    };
    row(1, 0, 0, 1, "'Eva ID000147'");
    row(2, 0, 0, 2, "'dam, \"D\"'");
    row(3, 1, 2, 2, "'d\xc3\xb3ttir a'");
    row(4, 1, 2, 2, "''");
    row(5, 1, 3, 1, "son_a");
    row(6, 1, 4, 1, "son_b");
  }
  dir.write("two.ped", ped);
  dir.write("two.w", weights);
  ASSERT_EQ(dir.run("cut_select").status, 0);
  EXPECT_EQ(dir.read("res.dat"),
            "     4                       \n     3   d\xc3\xb3ttir a           \n"
            "    10                       \n     9   d\xc3\xb3ttir a           \n");
  const RunResult r = dir.run("cut_improve");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(dir.read("res.dat"), "     1   Eva ID000147        \n     7   Eva ID000147        \n");
  EXPECT_NE(r.out.find(" TOTAL BEFORE: COST= 4.0 STARS= 4\n"), std::string::npos) << r.out;
  EXPECT_EQ(dir.run("ped_cut").status, 0);

  // A record cut short by the end of the file is refused, never dropped.
  const struct {
    std::string report, error;
  } cases[] = {
      {"     4                       \n     3   d\xc3\xb3ttir a           \n    10",
       "res.dat:3: expected a text item (label of breaker 10), found end of file\n"},
      {"     4", "res.dat:1: expected a text item (label of breaker 4), found end of file\n"},
      {"     1   Eva ID000147\n",
       "res.dat:1: expected the label \"Eva ID000147\" of individual 1, found \"Eva\"\n"},
      {"     3   d\xc3\xb3ttir b           \n",
       "res.dat:1: expected the label \"d\\xC3\\xB3ttir a\" of individual 3, found \"d\\xC3\\xB3ttir b\"\n"},
  };
  for (const auto& c : cases) {
    dir.write("res.dat", c.report);
    const RunResult bad = dir.run("cut_improve");
    EXPECT_EQ(bad.status, 1) << c.report;
    EXPECT_EQ(bad.err, c.error);
    EXPECT_EQ(dir.read("res.dat"), c.report);
  }
}

// Only when the wall-clock limit, not the work budget, ends the search can the cut depend on
// the machine, and then the program says so.
TEST(CutImproveProgram, SaysWhenTheWallClockRatherThanTheBudgetEndedTheSearch) {
  bench::GeneratorOptions o;
  o.records = 400;
  o.seed = 2;
  o.mate_window = 6;
  const bench::GeneratedFiles g = bench::generate_pedigree(o);
  WorkDir dir;
  dir.write("task.inp", "g.ped\ng.w\ng.cut\n");
  dir.write("g.ped", g.pedigree);
  dir.write("g.w", g.weights);
  ASSERT_EQ(dir.run("cut_select").status, 0);
  const std::string report = dir.read("res.dat");
  const std::string said =
      " STOPPED by LOOPCUT_IMPROVE_SECONDS before the work budget was spent: on another machine "
      "the cut may differ\n";
  {
    const Setting seconds("LOOPCUT_IMPROVE_SECONDS", "0");
    const RunResult r = dir.run("cut_improve");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.size() > said.size() && r.out.substr(r.out.size() - said.size()) == said)
        << r.out;
  }
  dir.write("res.dat", report);
  const Setting budget("LOOPCUT_IMPROVE_BUDGET", "0.05");
  const Setting seconds("LOOPCUT_IMPROVE_SECONDS", "3600");
  const RunResult r = dir.run("cut_improve");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find("STOPPED"), std::string::npos);
  // Each pedigree with loops has its bound, and the total has one.
  std::size_t bounds = 0;
  for (std::size_t at = r.out.find(" BOUND: COST="); at != std::string::npos;
       at = r.out.find(" BOUND: COST=", at + 1))
    ++bounds;
  EXPECT_GT(bounds, 1u);
  EXPECT_NE(r.out.find("\n TOTAL BOUND: COST= "), std::string::npos);
}

// ---- ped_prep run --improve.

TEST(PedPrepRunImprove, RunsBetweenTheOptimiserAndTheCutterAndSaysWhatTheCutCost) {
  WorkDir d;
  const std::string ped = source_path("tests/data/squirrel.ped").string();
  const RunResult plain =
      run_command(d, "ped_prep", {"run", "chain", ped, "--no-improve", "-o", "plain.cut"});
  ASSERT_EQ(plain.status, 0) << plain.err;
  EXPECT_EQ(plain.out.find("cut: cost"), std::string::npos);
  EXPECT_EQ(plain.out.find("cost before"), std::string::npos);
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
  // The count of stars after is the AFTER total's, not a word of the BOUND line below it.
  const std::size_t arrow = r.out.find(" -> ", at);
  ASSERT_NE(arrow, std::string::npos);
  EXPECT_EQ(r.out.substr(r.out.find(' ', arrow + 4), 8), " stars),") << r.out;

  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
  // Only the breakers and their copies may differ from the plain chain's file.
  EXPECT_EQ(d.read("plain.cut").substr(0, 80), d.read("better.cut").substr(0, 80));

  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"run", "chain", ped, "--improve=soon", "-o", "x.cut"},
        std::vector<std::string>{"run", "chain", ped, "--improve", "--improve", "-o", "x.cut"},
        std::vector<std::string>{"run", "chain", ped, "--no-improve", "--improve", "-o", "x.cut"},
        std::vector<std::string>{"run", "chain", ped, "--no-improve", "--no-improve", "-o",
                                 "x.cut"}}) {
    const RunResult u = run_command(d, "ped_prep", bad);
    EXPECT_EQ(u.status, 2) << u.err;
    EXPECT_FALSE(d.exists("x.cut"));
  }
}

}  // namespace
}  // namespace loopcut::testing
