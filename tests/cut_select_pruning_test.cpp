// Mates lists, sibship numbers and the pruning of what cannot lie on a loop.
#include <gtest/gtest.h>

#include "cut_select_support.hpp"

namespace loopcut::testing {
namespace {

using V = std::vector<int>;

// Pedigree 1: nine rows with a founder of three mates (one of them missing), full sibs, half
// sibs and a founder pair; pedigree 2: a couple and their child.
const std::vector<Rec> kNineThenThree = {
    {1, 0, 0, 1}, {1, 0, 0, 2}, {1, 0, 0, 2}, {1, 1, 2, 1}, {1, 1, 2, 2}, {1, 1, 3, 1},
    {1, 1, 0, 2}, {1, 0, 0, 1}, {1, 8, 5, 2}, {2, 0, 0, 1}, {2, 0, 0, 2}, {2, 10, 11, 1},
};

TEST(CutSelectStructure, MatesInOrderOfFirstChildAndSibshipsInOrderOfFirstRow) {
  auto w = new_work_area();
  load(*w, kNineThenThree);
  structure(*w, 1);
  const std::vector<V> mates = {{2, 3, 0}, {1}, {1}, {}, {8}, {}, {}, {5}, {}};
  for (int j = 1; j <= 9; ++j) EXPECT_EQ(mates_of(*w, j), mates[j - 1]) << "position " << j;
  EXPECT_EQ(V(w->ped.begin() + 1, w->ped.begin() + 10), (V{1, 0, 0, 2, 2, 3, 4, 0, 5}));
  EXPECT_EQ(w->nsib, 5);

  // The second pedigree's positions start again at 1.
  structure(*w, 2);
  EXPECT_EQ(mates_of(*w, 1), V{11});
  EXPECT_EQ(mates_of(*w, 2), V{10});
  EXPECT_EQ(mates_of(*w, 3), V{});
  EXPECT_EQ(V(w->ped.begin() + 10, w->ped.begin() + 13), (V{0, 0, 1}));
  EXPECT_EQ(w->nsib, 1);
}

TEST(CutSelectStructure, FiftyThreeMatesPassAndAFullListStopsWithoutWritingPastIt) {
  auto w = new_work_area();
  load(*w, founder_with_mates(1, 1, 53));
  structure(*w, 1);
  EXPECT_EQ(w->spou(1, 1), 53);
  EXPECT_EQ(w->spou(1, 54), 54);

  for (int n : {54, 60}) {
    load(*w, founder_with_mates(1, 1, n));
    auto [status, out] = stop_of([&] { structure(*w, 1); });
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, " max_spou+2>M_STAR: 54 55\n Set LOOPCUT_M_STAR in the environment to raise this ceiling.\n") << n << " mates";
    EXPECT_EQ(w->spou.width(1), M_STAR);  // the last column holds the 54th mate, no more
    EXPECT_EQ(w->spou(1, M_STAR), 55);
  }
}

// Runs structure and sow_tree on pedigree ip.
void prune(WorkArea& w, int ip) {
  structure(w, ip);
  sow_tree(w, ip);
}

TEST(CutSelectSowTree, ChildlessSibsKeepTheFirstAndAQualifyingParentLeavesItsMatesList) {
  auto w = new_work_area();
  // Founder O (row 1) with mates Q (single-mate founder), X and Y (daughters of 3 and 4), and
  // one childless child by each (rows 7, 8, 9); rows 10 and 11 are further childless full sibs
  // of 8 and must go, the lowest row staying.
  load(*w, {{1, 0, 0, 1}, {1, 0, 0, 2}, {1, 0, 0, 1}, {1, 0, 0, 2}, {1, 3, 4, 2}, {1, 3, 4, 2},
            {1, 1, 2, 1}, {1, 1, 5, 1}, {1, 1, 6, 2}, {1, 1, 5, 2}, {1, 1, 5, 1}});
  prune(*w, 1);
  // Survivors O, X, Y, 8, 9; sibship numbers 1, 2, 2, 4, 5 closed up to 1, 2, 2, 3, 4.
  EXPECT_EQ(w->nend, 5);
  EXPECT_EQ(V(w->id.begin() + 1, w->id.begin() + 6), (V{1, 5, 6, 8, 9}));
  EXPECT_EQ(V(w->ped.begin() + 1, w->ped.begin() + 6), (V{1, 2, 2, 3, 4}));
  EXPECT_EQ(w->nsib, 4);
  // Q's entry was overwritten by the last one.
  EXPECT_EQ(mates_of(*w, 1), (V{6, 5}));
  EXPECT_EQ(w->max_spou, 2);
  // The weights stay in the rows of the file.
  EXPECT_EQ(w->weight[5], 1.0f);
}

TEST(CutSelectSowTree, ChangesTakeEffectWithinThePassAndCanPruneEverything) {
  auto w = new_work_area();
  load(*w, {
               // 1: founders with one childless child.
               {1, 0, 0, 1}, {1, 0, 0, 2}, {1, 1, 2, 1},
               // 2: rows 4..8. C (6) loses its parents, then its childless child with D goes.
               {2, 0, 0, 1}, {2, 0, 0, 2}, {2, 4, 5, 1}, {2, 0, 0, 2}, {2, 6, 7, 2},
               // 3: rows 9..15. Only child C (11) with founder mates D and F, a childless
               // child by each: C's number goes, then D leaves C's list, then C and F go.
               {3, 0, 0, 1}, {3, 0, 0, 2}, {3, 9, 10, 1}, {3, 0, 0, 2}, {3, 0, 0, 2},
               {3, 11, 12, 1}, {3, 11, 13, 2},
               // 4: rows 16..23. Founder p (16) with a known mother m (19) and founder mates
               // X, Y: p's sibship stays open as long as m has parents, m is cut off from
               // hers, X then leaves p's list and p goes with Y.
               {4, 0, 19, 1}, {4, 0, 0, 1}, {4, 0, 0, 2}, {4, 17, 18, 2}, {4, 0, 0, 2},
               {4, 0, 0, 2}, {4, 16, 20, 1}, {4, 16, 21, 2},
           });
  for (int ip = 1; ip <= 4; ++ip) {
    prune(*w, ip);
    EXPECT_EQ(w->nend, w->fam[ip + 1]) << "pedigree " << ip;
    EXPECT_EQ(w->nsib, 0);
    EXPECT_EQ(w->max_spou, 0);
  }
  EXPECT_EQ(w->fa[19], 0);  // m was made a founder
  EXPECT_EQ(w->mo[19], 0);
  EXPECT_EQ(mates_of(*w, 1), V{21});  // p kept only Y
}

}  // namespace
}  // namespace loopcut::testing
