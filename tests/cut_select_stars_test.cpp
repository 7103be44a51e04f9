// The star list and its rows, and the loop count over a selection of stars.
#include <gtest/gtest.h>

#include "cut_select_support.hpp"
#include "reference/cut_select_plain.hpp"

namespace loopcut::testing {
namespace {

using V = std::vector<int>;

void prepare(WorkArea& w, int ip) {
  structure(w, ip);
  sow_tree(w, ip);
  star(w, ip);
}

// Star t's centre, by identifier.
int centre_id(const WorkArea& w, int t) { return w.id[w.star_centre[t]]; }

TEST(CutSelectStar, SibsWithOffspringTogetherListTheLaterRowFirstOnEqualWeights) {
  auto w = new_work_area();
  load(*w, {{1, 0, 0, 1}, {1, 0, 0, 2}, {1, 1, 2, 1}, {1, 1, 2, 2}, {1, 3, 4, 1}});
  prepare(*w, 1);
  EXPECT_EQ(w->nstar, 2);
  EXPECT_EQ(centre_id(*w, 1), 4);
  EXPECT_EQ(centre_id(*w, 2), 3);
  EXPECT_EQ(star_row(*w, 1), (V{1, 1, 2}));
  EXPECT_EQ(star_row(*w, 2), (V{1, 1, 2}));
  EXPECT_EQ(V(w->st.begin() + 1, w->st.begin() + 4), (V{1, 0, 2}));
}

TEST(CutSelectStar, GroupedBySizeThenHeaviestFirstAndNegativeWeightsNeverCentres) {
  auto w = new_work_area();
  load(*w, four_sibs(1, 1, 1.0f, -1.0f, 0.0f, 5.0f, false));
  prepare(*w, 1);
  // Survivors C, D, H, K, E, G, L in rows 1..7, sibships 1, 1, 1, 1, 2, 3, 4.
  ASSERT_EQ(w->nstar, 3);
  EXPECT_EQ((V{centre_id(*w, 1), centre_id(*w, 2), centre_id(*w, 3)}), (V{6, 5, 3}));
  EXPECT_EQ(V(w->st.begin() + 1, w->st.begin() + 5), (V{2, 0, 2, 3}));
  EXPECT_EQ(star_row(*w, 1), (V{1, 1, 4}));
  EXPECT_EQ(star_row(*w, 2), (V{1, 1, 3}));
  EXPECT_EQ(star_row(*w, 3), (V{1, 2, 2, 3}));
}

TEST(CutSelectStar, MothersMissingFatherWithoutSurvivingChildLinksToALeafOfItsOwn) {
  auto w = new_work_area();
  // A first pedigree leaves other values in the star rows.
  std::vector<Rec> recs = four_sibs(1, 1, 1.0f, 2.0f, 0.0f, 5.0f, false);
  for (const Rec& r : four_sibs(2, 10, 1.0f, 2.0f, 0.0f, 5.0f, true)) recs.push_back(r);
  load(*w, recs);
  prepare(*w, 1);
  prepare(*w, 2);
  // H now has mates C and 0, D has C, K and 0; their fatherless children are pruned.
  ASSERT_EQ(w->nstar, 4);
  EXPECT_EQ(w->nsib, 4);
  EXPECT_EQ(w->nleaf, 2);
  EXPECT_EQ(star_row(*w, 1), (V{1, 1, 4}));           // K
  EXPECT_EQ(star_row(*w, 2), (V{1, 2, 2, 3}));        // C
  EXPECT_EQ(star_row(*w, 3), (V{1, 2, 3, 5}));        // H: leaf nsib + 1
  EXPECT_EQ(star_row(*w, 4), (V{1, 3, 2, 4, 6}));     // D: leaf nsib + 2

  // The leaves count as touched nodes and close no loop.
  int nlink = 0;
  int ngroup = 0;
  ensure_size(w->sel_list, 3);
  w->sel(1) = 4;
  w->nsel = 1;
  reference::connect(*w, nlink, ngroup);
  EXPECT_EQ(nlink, 3);
  w->sel(2) = 3;
  w->nsel = 2;
  reference::connect(*w, nlink, ngroup);
  EXPECT_EQ(nlink, 5);
  w->sel(2) = 1;
  reference::connect(*w, nlink, ngroup);
  EXPECT_EQ(nlink, 3);  // D and K both join sibships 1 and 4
}

// Writes the star rows, star t from stars[t - 1]: centre node, then marriage nodes.
void set_stars(WorkArea& w, const std::vector<std::pair<int, V>>& stars) {
  w.nstar = static_cast<int>(stars.size());
  w.con.lay_out(w.nstar, [&](int t) { return 2 + static_cast<int>(stars[t - 1].second.size()); });
  for (int t = 1; t <= w.nstar; ++t) {
    const auto& [centre, marriage] = stars[t - 1];
    w.con(t, 1) = centre;
    w.con(t, 2) = static_cast<int>(marriage.size());
    for (std::size_t k = 0; k < marriage.size(); ++k) {
      w.con(t, 3 + static_cast<int>(k)) = marriage[k];
    }
  }
}

// nlink and ngroup of the listed stars.
std::pair<int, int> counts(WorkArea& w, const V& stars) {
  w.nsel = static_cast<int>(stars.size());
  ensure_size(w.sel_list, stars.size() + 1);
  for (int i = 1; i <= w.nsel; ++i) w.sel(i) = stars[i - 1];
  int nlink = -1;
  int ngroup = -1;
  reference::connect(w, nlink, ngroup);
  return {nlink, ngroup};
}

TEST(CutSelectConnect, CountsGroupsAndLinksWhateverTheOrderOfTheList) {
  auto w = new_work_area();
  w->nsib = 12;  // nodes 6 .. 12 are never touched
  w->nleaf = 0;
  set_stars(*w, {{1, {2, 3, 4}},
                 {5, {6}},
                 {4, {5}},    // 3 joins stars 1 and 2
                 {1, {2}},    // 4 shares two nodes with star 1
                 {7, {1}}});  // 5 reaches star 1's group through node 1
  using P = std::pair<int, int>;
  EXPECT_EQ(counts(*w, {1}), (P{3, 1}));
  EXPECT_EQ(counts(*w, {1, 2}), (P{4, 2}));
  EXPECT_EQ(counts(*w, {1, 2, 3}), (P{5, 1}));
  EXPECT_EQ(counts(*w, {2, 3, 1}), (P{5, 1}));
  EXPECT_EQ(counts(*w, {1, 4}), (P{3, 1}));  // a loop: 3 < 3 + 1
  // Star 3 merges the groups of 1 and 2 and relabels node 1; star 5 must find it relabelled.
  EXPECT_EQ(counts(*w, {1, 2, 3, 5}), (P{6, 1}));
  EXPECT_EQ(counts(*w, {2, 5, 1, 3}), (P{6, 1}));
}

TEST(CutSelectConnect, AStarOfFiftyThreeMatesFitsItsRow) {
  auto w = new_work_area();
  V marriage;
  for (int m = 2; m <= 54; ++m) marriage.push_back(m);
  w->nsib = 55;
  w->nleaf = 0;
  set_stars(*w, {{1, marriage}, {54, {55}}, {55, {2}}});
  EXPECT_EQ(counts(*w, {1}), (std::pair<int, int>{53, 1}));
  EXPECT_EQ(counts(*w, {1, 2}), (std::pair<int, int>{54, 1}));
  EXPECT_EQ(counts(*w, {1, 2, 3}), (std::pair<int, int>{54, 1}));  // closes a loop
}

}  // namespace
}  // namespace loopcut::testing
