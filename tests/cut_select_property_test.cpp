// Generated pedigrees with many loops: the stars kept (those not reported) close no loop, and
// where every star has one mate the kept stars are the maximum-weight spanning forest that
// Kruskal's algorithm finds.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>

#include "common/files.hpp"
#include "cut_select_support.hpp"

namespace loopcut::testing {
namespace {

// Random pedigrees of a few founders and some generations of matings chosen from everyone born
// so far, so that relatives mate often. Monogamous pedigrees give every parent one mate.
class PedigreeGen {
 public:
  PedigreeGen(unsigned seed, bool monogamous) : rng_(seed), monogamous_(monogamous) {}

  std::vector<Rec> make(int ped, int first_row) {
    std::vector<Rec> r;
    std::vector<bool> mated;
    auto add = [&](int fa, int mo, int sex) {
      r.push_back({ped, fa, mo, sex, weight()});
      mated.push_back(false);
    };
    const int founders = pick(3, 6);
    for (int k = 0; k < founders; ++k) add(0, 0, 1 + k % 2);
    const int generations = pick(2, 4);
    for (int g = 0; g < generations; ++g) {
      const int couples = pick(2, 5);
      for (int c = 0; c < couples; ++c) {
        const int m = choose(r, mated, 1);
        const int f = choose(r, mated, 2);
        if (m < 0 || f < 0) break;
        mated[m] = mated[f] = true;
        int fa = first_row + m;
        int mo = first_row + f;
        if (!monogamous_ && pick(1, 10) == 1) fa = 0;
        if (!monogamous_ && pick(1, 20) == 1 && fa != 0) mo = 0;
        const int kids = pick(1, 3);
        for (int k = 0; k < kids; ++k) add(fa, mo, pick(1, 2));
      }
    }
    return r;
  }

 private:
  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }

  float weight() {
    if (pick(1, 10) == 1) return -1.0f;
    return 0.5f * static_cast<float>(pick(0, 20));  // ties are common
  }

  // A random individual of the given sex (not mated yet, when monogamous); -1 when none.
  int choose(const std::vector<Rec>& r, const std::vector<bool>& mated, int sex) {
    std::vector<int> pool;
    for (std::size_t k = 0; k < r.size(); ++k) {
      if (r[k].sex == sex && !(monogamous_ && mated[k])) pool.push_back(static_cast<int>(k));
    }
    if (pool.empty()) return -1;
    return pool[static_cast<std::size_t>(pick(0, static_cast<int>(pool.size()) - 1))];
  }

  std::mt19937 rng_;
  bool monogamous_;
};

std::vector<Rec> generate(unsigned seed, bool monogamous, int pedigrees) {
  PedigreeGen gen(seed, monogamous);
  std::vector<Rec> all;
  for (int ip = 1; ip <= pedigrees; ++ip) {
    for (const Rec& r : gen.make(ip, static_cast<int>(all.size()) + 1)) all.push_back(r);
  }
  return all;
}

// Runs the four steps on pedigree ip; returns the identifiers that res.dat reports.
std::vector<int> run_pedigree(WorkArea& w, int ip, const WorkDir& dir) {
  structure(w, ip);
  sow_tree(w, ip);
  star(w, ip);
  {
    OutputFile res((dir.path() / "res.dat").string(), OutputFile::Mode::in_place);
    ::testing::internal::CaptureStdout();
    optimal(w, ip, res);
    ::testing::internal::GetCapturedStdout();
    res.commit();
  }
  std::vector<int> ids;
  std::istringstream in(dir.read("res.dat"));
  for (std::string line; std::getline(in, line);) ids.push_back(std::stoi(line.substr(0, 6)));
  return ids;
}

// The stars whose centres are not reported. The report must name stars in increasing number.
std::vector<int> kept_stars(const WorkArea& w, const std::vector<int>& reported) {
  std::vector<int> kept;
  std::size_t next = 0;
  for (int t = 1; t <= w.nstar; ++t) {
    if (next < reported.size() && reported[next] == w.id[w.star_centre[t]]) {
      ++next;
    } else {
      kept.push_back(t);
    }
  }
  EXPECT_EQ(next, reported.size()) << "report lines out of star order or not stars";
  return kept;
}

// Nodes joined so far, for loop checks.
class Forest {
 public:
  explicit Forest(int nodes) : parent_(static_cast<std::size_t>(nodes) + 1) {
    std::iota(parent_.begin(), parent_.end(), 0);
  }
  // Joins a and b; false when they were joined already (the link closes a loop).
  bool join(int a, int b) {
    a = root(a);
    b = root(b);
    if (a == b) return false;
    parent_[static_cast<std::size_t>(a)] = b;
    return true;
  }

 private:
  int root(int a) {
    while (parent_[static_cast<std::size_t>(a)] != a) a = parent_[static_cast<std::size_t>(a)];
    return a;
  }
  std::vector<int> parent_;
};

// Does the star's every link join two nodes not yet joined?
bool add_star(Forest& f, WorkArea& w, int t) {
  bool ok = true;
  for (int k = 1; k <= w.con(t, 2); ++k) ok = f.join(w.con(t, 1), w.con(t, 2 + k)) && ok;
  return ok;
}

TEST(CutSelectProperty, KeptStarsCloseNoLoop) {
  WorkDir dir;
  auto w = new_work_area();
  int reported = 0;
  int multi_mate = 0;
  int leaves = 0;
  for (unsigned seed = 1; seed <= 4; ++seed) {
    load(*w, generate(seed, false, 80));
    check_records(*w);
    for (int ip = 1; ip <= w->nfam(); ++ip) {
      const std::vector<int> ids = run_pedigree(*w, ip, dir);
      const int nodes = w->nsib + w->nleaf;
      for (int t = 1; t <= w->nstar; ++t) {
        for (int c = 1; c <= 2 + w->con(t, 2); ++c) {
          if (c == 2) continue;
          ASSERT_GE(w->con(t, c), 1);
          ASSERT_LE(w->con(t, c), nodes);
        }
      }
      Forest f(nodes);
      for (int t : kept_stars(*w, ids)) {
        EXPECT_TRUE(add_star(f, *w, t)) << "seed " << seed << " pedigree " << ip << " star " << t;
      }
      reported += static_cast<int>(ids.size());
      multi_mate += w->max_spou >= 2 ? 1 : 0;
      leaves += w->nleaf;
    }
  }
  // The generated pedigrees do have loops, stars of several mates and leaf links.
  EXPECT_GT(reported, 50);
  EXPECT_GT(multi_mate, 50);
  EXPECT_GT(leaves, 0);
}

// Kruskal over the stars as weighted links: heaviest first, the later centre row first on equal
// weights; a link is taken unless it closes a loop.
std::vector<int> kruskal(WorkArea& w) {
  std::vector<int> order(static_cast<std::size_t>(w.nstar));
  std::iota(order.begin(), order.end(), 1);
  auto row = [&](int t) { return w.star_centre[t]; };
  auto cost = [&](int t) { return w.weight[w.id[row(t)]]; };
  std::sort(order.begin(), order.end(), [&](int a, int b) {
    return cost(a) != cost(b) ? cost(a) > cost(b) : row(a) > row(b);
  });
  Forest f(w.nsib + w.nleaf);
  std::vector<int> taken;
  for (int t : order) {
    if (f.join(w.con(t, 1), w.con(t, 3))) taken.push_back(t);
  }
  std::sort(taken.begin(), taken.end());
  return taken;
}

TEST(CutSelectProperty, WithOneMateEachTheKeptStarsAreKruskalsSpanningForest) {
  WorkDir dir;
  auto w = new_work_area();
  int reported = 0;
  for (unsigned seed = 11; seed <= 14; ++seed) {
    load(*w, generate(seed, true, 80));
    check_records(*w);
    for (int ip = 1; ip <= w->nfam(); ++ip) {
      const std::vector<int> ids = run_pedigree(*w, ip, dir);
      ASSERT_LE(w->max_spou, 1);
      EXPECT_EQ(kept_stars(*w, ids), kruskal(*w)) << "seed " << seed << " pedigree " << ip;
      reported += static_cast<int>(ids.size());
    }
  }
  EXPECT_GT(reported, 50);
}

}  // namespace
}  // namespace loopcut::testing
