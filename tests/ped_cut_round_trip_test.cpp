// Round trip of the cut stages on generated pedigrees: whatever is cut, every individual comes out
// once with the same parents (a copy standing for its breaker), in an order that the cut
// pedigree file can be read in, and cuts that open no loop are undone.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "ped_cut/ped_cut.hpp"

namespace loopcut {
namespace {

struct Person {
  int fa = 0, mo = 0, sex = 1;
};

// Families grown child by child. Without loops, a child comes of an existing couple or of a
// member and a new founder mate; with loops, any man and woman of the family may also have a
// child together. Now and then a child names only one parent.
std::vector<Person> grow_pedigree(std::mt19937& rng, bool loops) {
  auto pick = [&rng](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
  std::vector<Person> people(1);  // entry 0 unused
  const int families = 1 + pick(3);
  for (int f = 0; f < families; ++f) {
    std::vector<int> members;
    std::vector<std::pair<int, int>> couples;
    auto add = [&](int fa, int mo, int sex) {
      people.push_back({fa, mo, sex});
      members.push_back(static_cast<int>(people.size()) - 1);
      return members.back();
    };
    couples.emplace_back(add(0, 0, 1), add(0, 0, 2));
    const int children = 2 + pick(14);
    for (int c = 0; c < children; ++c) {
      const int sex = 1 + pick(2);
      const int how = pick(loops ? 6 : 4);
      if (how <= 1) {
        const auto [fa, mo] = couples[static_cast<std::size_t>(pick(static_cast<int>(couples.size())))];
        add(fa, mo, sex);
      } else if (how == 2) {
        const int p = members[static_cast<std::size_t>(pick(static_cast<int>(members.size())))];
        const int mate = add(0, 0, 3 - people[static_cast<std::size_t>(p)].sex);
        const int fa = people[static_cast<std::size_t>(p)].sex == 1 ? p : mate;
        const int mo = fa == p ? mate : p;
        couples.emplace_back(fa, mo);
        add(fa, mo, sex);
      } else if (how == 3) {
        const int p = members[static_cast<std::size_t>(pick(static_cast<int>(members.size())))];
        if (people[static_cast<std::size_t>(p)].sex == 1) add(p, 0, sex); else add(0, p, sex);
      } else {
        std::vector<int> men, women;
        for (int m : members) (people[static_cast<std::size_t>(m)].sex == 1 ? men : women).push_back(m);
        if (men.empty() || women.empty()) continue;
        const int fa = men[static_cast<std::size_t>(pick(static_cast<int>(men.size())))];
        const int mo = women[static_cast<std::size_t>(pick(static_cast<int>(women.size())))];
        couples.emplace_back(fa, mo);
        add(fa, mo, sex);
      }
    }
  }
  return people;
}

std::string label_of(int person) { return std::string("I").append(std::to_string(person)); }

struct Outcome {
  std::unique_ptr<CutTables> t = std::make_unique<CutTables>();
  std::string out;  // standard output of the stages
};

// Lists the people in a shuffled order (so children may come before their parents), with
// identifiers equal to the new rows, cuts the report's breakers and renumbers.
Outcome cut_shuffled(std::mt19937& rng, const std::vector<Person>& people,
                     const std::vector<int>& breakers, const std::vector<float>& weights) {
  const int n = static_cast<int>(people.size()) - 1;
  std::vector<int> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 1);
  std::shuffle(order.begin(), order.end(), rng);
  std::vector<int> row_of(static_cast<std::size_t>(n) + 1, 0);
  for (int r = 1; r <= n; ++r) row_of[static_cast<std::size_t>(order[static_cast<std::size_t>(r - 1)])] = r;

  Outcome o;
  CutTables& t = *o.t;
  t.ensure_rows(n);
  t.ensure_entries(static_cast<int>(breakers.size()));
  for (int r = 1; r <= n; ++r) {
    const int p = order[static_cast<std::size_t>(r - 1)];
    const Person& q = people[static_cast<std::size_t>(p)];
    t.mas(r, PED) = 1;
    t.mas(r, ID) = r;
    t.mas(r, FA) = row_of[static_cast<std::size_t>(q.fa)];
    t.mas(r, MO) = row_of[static_cast<std::size_t>(q.mo)];
    t.mas(r, SEX) = q.sex;
    t.mas(r, PROB) = 2;
    t.kod[r] = make_label(label_of(p));
  }
  t.ndat = t.nread = n;
  t.ncut = static_cast<int>(breakers.size());
  for (int k = 1; k <= t.ncut; ++k) {
    const int p = breakers[static_cast<std::size_t>(k - 1)];
    t.n_cut[k] = row_of[static_cast<std::size_t>(p)];
    t.cut[k] = make_label(label_of(p));
    t.weight[k] = weights[static_cast<std::size_t>(k - 1)];
  }

  ::testing::internal::CaptureStdout();
  find_breakers(t);
  check_input(t);
  cut_breakers(t);
  const int nped = split(t);
  rejoin(t);
  rewrite(t, nped);
  o.out = ::testing::internal::GetCapturedStdout();
  return o;
}

// Checks the rewritten table against the people it was made from; returns the number of
// copies that remain.
int check_round_trip(const CutTables& t, const std::vector<Person>& people) {
  const int n = static_cast<int>(people.size()) - 1;
  std::map<std::string, int> row_of_label;  // rows read from the pedigree
  int copies = 0;
  int last_ped = 0;
  std::vector<int> sizes;
  for (int r = 1; r <= t.ndat; ++r) {
    SCOPED_TRACE(std::string("row ").append(std::to_string(r)));
    EXPECT_EQ(t.mas(r, ID), r);
    EXPECT_LT(t.mas(r, FA), r);
    EXPECT_LT(t.mas(r, MO), r);
    EXPECT_GE(t.mas(r, FA), 0);
    EXPECT_GE(t.mas(r, MO), 0);
    for (int column : {FA, MO}) {
      const int parent = t.mas(r, column);
      if (parent > 0 && parent < r) {
        EXPECT_EQ(t.mas(parent, PED), t.mas(r, PED));
      }
    }
    // Pedigrees come one after another, numbered 1, 2, 3, ...
    const int ped = t.mas(r, PED);
    EXPECT_TRUE(ped == last_ped || ped == last_ped + 1) << ped;
    if (ped != last_ped) sizes.push_back(0);
    ++sizes.back();
    last_ped = ped;

    const std::string label = trimmed(t.kod[r]);
    if (t.mas(r, PROB) == 2) {
      EXPECT_TRUE(row_of_label.emplace(label, r).second) << label << " written twice";
    } else {
      EXPECT_EQ(t.mas(r, PROB), 1);
      EXPECT_EQ(t.mas(r, FA), 0);
      EXPECT_EQ(t.mas(r, MO), 0);
      ++copies;
    }
  }
  for (std::size_t g = 1; g < sizes.size(); ++g) EXPECT_GE(sizes[g - 1], sizes[g]);
  EXPECT_EQ(static_cast<int>(row_of_label.size()), n);
  EXPECT_EQ(t.ndat, n + copies);

  for (int p = 1; p <= n; ++p) {
    const auto it = row_of_label.find(label_of(p));
    if (it == row_of_label.end()) {
      ADD_FAILURE() << label_of(p) << " lost";
      continue;
    }
    const int r = it->second;
    const Person& q = people[static_cast<std::size_t>(p)];
    EXPECT_EQ(t.mas(r, SEX), q.sex);
    // A parent is the same person, or a copy carrying that person's label and sex.
    const std::pair<int, int> parents[] = {{t.mas(r, FA), q.fa}, {t.mas(r, MO), q.mo}};
    for (const auto& [parent_row, parent] : parents) {
      if (parent == 0) {
        EXPECT_EQ(parent_row, 0) << label_of(p);
        continue;
      }
      if (parent_row <= 0) {
        ADD_FAILURE() << label_of(p) << " lost a parent";
        continue;
      }
      EXPECT_EQ(trimmed(t.kod[parent_row]), label_of(parent)) << label_of(p);
      EXPECT_EQ(t.mas(parent_row, SEX), people[static_cast<std::size_t>(parent)].sex);
      // A copy that stays is still joined to its breaker: the cut opened a loop.
      if (t.mas(parent_row, PROB) == 1) {
        EXPECT_EQ(t.mas(parent_row, PED), t.mas(row_of_label[label_of(parent)], PED))
            << "copy of " << label_of(parent) << " apart from its breaker";
      }
    }
  }
  return copies;
}

void round_trips(bool loops, unsigned seed, int runs, int& copies_kept) {
  std::mt19937 rng(seed);
  for (int run = 0; run < runs; ++run) {
    SCOPED_TRACE(std::string("run ").append(std::to_string(run)));
    const std::vector<Person> people = grow_pedigree(rng, loops);
    const int n = static_cast<int>(people.size()) - 1;
    std::vector<int> breakers;
    std::vector<float> weights;
    const float weight_choices[] = {0.0f, 0.5f, 1.0f, 1.0f, 2.0f, 3.0f};
    const int entries = std::uniform_int_distribution<int>(0, 6)(rng);
    for (int k = 0; k < entries; ++k) {
      breakers.push_back(std::uniform_int_distribution<int>(1, n)(rng));
      weights.push_back(weight_choices[std::uniform_int_distribution<int>(0, 5)(rng)]);
    }
    Outcome o = cut_shuffled(rng, people, breakers, weights);
    EXPECT_EQ(o.out, "");
    const int copies = check_round_trip(*o.t, people);
    if (!loops) {
      EXPECT_EQ(copies, 0) << "a cut in a pedigree without loops stayed";
    }
    copies_kept += copies;
    if (::testing::Test::HasFailure()) return;
  }
}

TEST(PedCutRoundTrip, CutsInPedigreesWithoutLoopsAreAllUndone) {
  int copies = 0;
  round_trips(false, 11u, 300, copies);
  EXPECT_EQ(copies, 0);
}

TEST(PedCutRoundTrip, CutPedigreesWithLoopsKeepEveryoneAndTheirParents) {
  int copies = 0;
  round_trips(true, 29u, 400, copies);
  EXPECT_GT(copies, 50) << "the generator should produce loops that cuts open";
}

}  // namespace
}  // namespace loopcut
