// Genotype elimination against a brute force over every assignment of genotypes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "ped_prep/genotypes/elimination.hpp"

namespace loopcut::testing {
namespace {

using prep::genotype_index;
using Sets = std::vector<std::vector<char>>;

struct Small {
  std::vector<int> fa, mo;
  Sets allowed;
};

bool may_have(int alleles, int child, int father, int mother) {
  for (int x = 0; x < alleles; ++x)
    for (int y = x; y < alleles; ++y) {
      if (genotype_index(alleles, x, y) != father) continue;
      for (int u = 0; u < alleles; ++u)
        for (int v = u; v < alleles; ++v) {
          if (genotype_index(alleles, u, v) != mother) continue;
          for (int a : {x, y})
            for (int b : {u, v})
              if (genotype_index(alleles, a, b) == child) return true;
        }
    }
  return false;
}

// Per individual, the genotypes that some assignment consistent with Mendel's rules gives it.
Sets brute_force(int alleles, const Small& s) {
  const int g = prep::genotype_count(alleles);
  const std::size_t n = s.fa.size();
  Sets seen(n, std::vector<char>(static_cast<std::size_t>(g), 0));
  std::vector<int> pick(n, 0);
  while (true) {
    bool fits = true;
    for (std::size_t i = 0; i < n && fits; ++i) {
      fits = s.allowed[i][static_cast<std::size_t>(pick[i])];
      if (fits && s.fa[i] >= 0)
        fits = may_have(alleles, pick[i], pick[static_cast<std::size_t>(s.fa[i])],
                        pick[static_cast<std::size_t>(s.mo[i])]);
    }
    if (fits)
      for (std::size_t i = 0; i < n; ++i) seen[i][static_cast<std::size_t>(pick[i])] = 1;
    std::size_t i = 0;
    while (i < n && ++pick[i] == g) pick[i++] = 0;
    if (i == n) return seen;
  }
}

// A pedigree of up to 7 individuals whose genotypes were passed down by Mendel's rules, each
// shown fully, by one allele or not at all. Loop-free: each child's couple joins a new founder
// to the pedigree, or is a couple already; otherwise parents are drawn among everyone before.
Small random_pedigree(std::mt19937& rng, int alleles, bool loop_free) {
  Small s;
  std::vector<std::pair<int, int>> truth;
  auto die = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  auto founder = [&] {
    s.fa.push_back(-1);
    s.mo.push_back(-1);
    truth.push_back({die(alleles), die(alleles)});
    return static_cast<int>(s.fa.size()) - 1;
  };
  founder();
  founder();
  std::vector<std::pair<int, int>> couples;
  while (s.fa.size() < 7) {
    int f = 0, m = 1;
    if (loop_free) {
      if (!couples.empty() && die(3) == 0) {
        std::tie(f, m) = couples[static_cast<std::size_t>(die(static_cast<int>(couples.size())))];
      } else {
        f = die(static_cast<int>(s.fa.size()));
        m = founder();
        couples.push_back({f, m});
      }
    } else {
      const int n = static_cast<int>(s.fa.size());
      f = die(n);
      m = die(n);
      if (f == m) continue;
    }
    s.fa.push_back(f);
    s.mo.push_back(m);
    const auto pf = truth[static_cast<std::size_t>(f)], pm = truth[static_cast<std::size_t>(m)];
    truth.push_back({die(2) ? pf.first : pf.second, die(2) ? pm.first : pm.second});
  }
  const int g = prep::genotype_count(alleles);
  for (const auto& [a, b] : truth) {
    std::vector<char> set(static_cast<std::size_t>(g), 0);
    const int shown = die(3);  // 0 none, 1 one allele, 2 both
    for (int x = 0; x < alleles; ++x)
      for (int y = x; y < alleles; ++y)
        if (shown == 0 || (shown == 1 && (x == a || y == a)) ||
            genotype_index(alleles, x, y) == genotype_index(alleles, a, b))
          set[static_cast<std::size_t>(genotype_index(alleles, x, y))] = 1;
    s.allowed.push_back(set);
  }
  return s;
}

TEST(PedPrepGenotypeElimination, LeavesExactlyThePossibleGenotypesWithoutLoopsAndNoFewerWithLoops) {
  std::mt19937 rng(25);
  for (int round = 0; round < 300; ++round) {
    const int alleles = 2 + round % 2;
    const bool loop_free = round % 3 != 0;
    const Small s = random_pedigree(rng, alleles, loop_free);
    const prep::Elimination e =
        prep::eliminate_genotypes(alleles, prep::nuclear_families(s.fa, s.mo), s.allowed);
    const Sets possible = brute_force(alleles, s);
    EXPECT_TRUE(e.inconsistent.empty()) << "round " << round;
    for (std::size_t i = 0; i < possible.size(); ++i) {
      if (loop_free) {
        EXPECT_EQ(e.left[i], possible[i]) << "round " << round << " individual " << i;
      } else {
        for (std::size_t g = 0; g < possible[i].size(); ++g)
          EXPECT_TRUE(!possible[i][g] || e.left[i][g]) << "round " << round << " individual " << i;
      }
    }
  }
}

// Father 1/2 and mother 1/1 cannot have a child 2/2: the family is noted and nobody changed.
TEST(PedPrepGenotypeElimination, AnInconsistentFamilyIsNotedOnceAndChangesNobody) {
  const int a = 2;
  auto only = [&](int x, int y) {
    std::vector<char> s(3, 0);
    s[static_cast<std::size_t>(genotype_index(a, x, y))] = 1;
    return s;
  };
  const Sets start = {only(0, 1), only(0, 0), only(1, 1), std::vector<char>(3, 1)};
  const prep::Elimination e = prep::eliminate_genotypes(
      a, prep::nuclear_families({-1, -1, 0, 0}, {-1, -1, 1, 1}), start);
  EXPECT_EQ(e.inconsistent, (std::vector<std::size_t>{0}));
  EXPECT_EQ(e.left, start);
}

}  // namespace
}  // namespace loopcut::testing
