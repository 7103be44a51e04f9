// The step search: step lines, the kept selection and the report, on stars set up directly and
// through whole runs of cut_select.
#include <gtest/gtest.h>

#include <cmath>

#include "common/files.hpp"
#include "cut_select_support.hpp"

namespace loopcut::testing {
namespace {

using V = std::vector<int>;

struct StarSetup {
  int centre;
  V marriage;
  float cost;
};

struct Outcome {
  std::string steps;   // standard output
  std::string report;  // res.dat
};

// Sets up the stars in number order (by size, then by decreasing cost) over nodes 1 .. nsib;
// the centre of star t is row t, labelled "s<t>", and runs optimal.
Outcome search(const std::vector<StarSetup>& stars, int nsib) {
  auto w = new_work_area();
  w->nsib = nsib;
  w->nleaf = 0;
  w->nstar = static_cast<int>(stars.size());
  w->max_spou = 0;
  for (const StarSetup& s : stars) {
    w->max_spou = std::max(w->max_spou, static_cast<int>(s.marriage.size()));
  }
  w->ensure_records(w->nstar);
  ensure_size(w->st, static_cast<std::size_t>(w->max_spou) + 3);
  ensure_size(w->star_centre, stars.size() + 1);
  w->con.lay_out(w->nstar, [&](int t) { return 2 + static_cast<int>(stars[t - 1].marriage.size()); });
  w->st[1] = w->max_spou;
  w->st[2] = 0;
  for (int size = 1; size <= w->max_spou; ++size) {
    int n = 0;
    for (const StarSetup& s : stars) n += static_cast<int>(s.marriage.size()) <= size ? 1 : 0;
    w->st[2 + size] = n;
  }
  for (int t = 1; t <= w->nstar; ++t) {
    const StarSetup& s = stars[t - 1];
    w->star_centre[t] = t;
    w->id[t] = t;
    w->weight[t] = s.cost;
    w->kod[t] = make_label("s" + std::to_string(t));
    w->con(t, 1) = s.centre;
    w->con(t, 2) = static_cast<int>(s.marriage.size());
    for (std::size_t k = 0; k < s.marriage.size(); ++k) w->con(t, 3 + int(k)) = s.marriage[k];
  }
  WorkDir dir;
  Outcome o;
  {
    OutputFile res((dir.path() / "res.dat").string(), OutputFile::Mode::in_place);
    ::testing::internal::CaptureStdout();
    optimal(*w, 1, res);
    o.steps = ::testing::internal::GetCapturedStdout();
    res.commit();
  }
  o.report = dir.read("res.dat");
  return o;
}

TEST(CutSelectOptimal, StarRecordedAtSeveralStepsOnDifferentSelections) {
  // Star 3 (two mates) ties with stars 1 + 2 at step 2 and wins as the larger size.
  const Outcome o = search({{1, {2}, 3.0f}, {3, {4}, 2.0f}, {5, {6, 7}, 5.0f}}, 7);
  EXPECT_EQ(o.steps,
            " STEP= 2  STAR= 3  COST= 5.0\n"
            " STEP= 3  STAR= 3  COST= 8.0\n"
            " STEP= 4  STAR= 2  COST= 10.0\n");
  EXPECT_EQ(o.report, "");
}

TEST(CutSelectOptimal, OneStarIsKeptSilentlyAndZeroCostsStillTakeTheFirstCandidate) {
  EXPECT_EQ(search({{1, {2}, 4.0f}}, 2).steps, "");
  EXPECT_EQ(search({{1, {2}, 4.0f}}, 2).report, "");
  const Outcome o = search({{1, {2}, 0.0f}, {3, {4}, 0.0f}}, 4);
  EXPECT_EQ(o.steps, " STEP= 2  STAR= 2  COST= 0.0\n");
  EXPECT_EQ(o.report, "");
}

TEST(CutSelectOptimal, BestTotalIsHeldAsAThirtyTwoBitReal) {
  // At step 2, stars 1 + 2 total 1 + 2^-30 in double, held as 1.0; star 3 alone totals 1.0,
  // which the held best does not exceed, so star 3 wins.
  const float tiny = std::ldexp(1.0f, -30);
  const Outcome o = search({{1, {2}, 1.0f}, {3, {4}, tiny}, {5, {6, 7}, 1.0f}}, 7);
  EXPECT_EQ(o.steps,
            " STEP= 2  STAR= 3  COST= 1.0\n"
            " STEP= 3  STAR= 3  COST= 2.0\n"
            " STEP= 4  STAR= 2  COST= 2.0\n");
}

TEST(CutSelectOptimal, LoopClosingStarsAreReportedInStarOrder) {
  // Stars 2 and 3 each close a loop with star 1; star 4 fits.
  const Outcome o = search({{1, {2}, 9.0f}, {2, {1}, 8.0f}, {1, {2}, 7.0f}, {3, {4}, 1.0f}}, 4);
  EXPECT_EQ(o.steps, " STEP= 2  STAR= 4  COST= 10.0\n");
  EXPECT_EQ(o.report,
            "     2   s2                  \n"
            "     3   s3                  \n");
}

TEST(CutSelectOptimal, WithoutAStarOfOneMateTheSearchStartsEmptyAndGoesPastUnreachedSteps) {
  // Sizes 2 and 3 only. Steps 1, 4 and 6 to 8 are unreached; step 5 extends step 3, and the
  // search ends after three unreached steps in a row. Star 2 closes a loop with star 1.
  const Outcome o =
      search({{1, {2, 3}, 5.0f}, {1, {2, 4}, 3.0f}, {5, {6, 7, 8}, 1.0f}}, 8);
  EXPECT_EQ(o.steps,
            " STEP= 2  STAR= 1  COST= 5.0\n"
            " STEP= 3  STAR= 3  COST= 1.0\n"
            " STEP= 5  STAR= 3  COST= 6.0\n");
  EXPECT_EQ(o.report, "     2   s2                  \n");

  // Two disjoint stars of two mates: step 3 is unreached, step 4 takes both.
  const Outcome both = search({{1, {2, 3}, 5.0f}, {4, {5, 6}, 3.0f}}, 6);
  EXPECT_EQ(both.steps,
            " STEP= 2  STAR= 1  COST= 5.0\n"
            " STEP= 4  STAR= 2  COST= 8.0\n");
  EXPECT_EQ(both.report, "");
}

// Pedigree 1: sibs with offspring together; pedigree 2: founders with a childless child;
// pedigree 3: four sibs of which only C and D (two mates each) may be centres.
std::vector<Rec> three_pedigrees() {
  std::vector<Rec> r = {{1, 0, 0, 1, 1.0f, "a"},     {1, 0, 0, 2, 1.0f, "b"},
                        {1, 1, 2, 1, 1.0f, "c"},     {1, 1, 2, 2, 1.0f, "d"},
                        {1, 3, 4, 1, 1.0f, "e"},     {2, 0, 0, 1, 1.0f, "f1"},
                        {2, 0, 0, 2, 1.0f, "f2"},    {2, 6, 7, 1, 1.0f, "only_child_label_x"}};
  for (const Rec& x : four_sibs(3, 9, 2.0f, 1.0f, -1.0f, -1.0f, false)) r.push_back(x);
  return r;
}

const std::string kThreeOut =
    " READING of initial data\n"
    " PEDIGREE:  1\n"
    " PEDIGREE:  2\n"
    " PEDIGREE:  3\n"
    " STEP= 2  STAR= 1  COST= 2.0\n";
const std::string kThreeReport =
    "     3   c                   \n"
    "    12   d                   \n";

TEST(CutSelectRun, ReportsOneStarPerLoopAcrossPedigrees) {
  WorkDir dir;
  write_inputs(dir, three_pedigrees());
  const RunResult r = dir.run("cut_select");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kThreeOut);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(dir.read("res.dat"), kThreeReport);
}

TEST(CutSelectRun, TooManyMatesStopsWithStatusOneAndKeepsEarlierReportLines) {
  WorkDir dir;
  std::vector<Rec> recs = three_pedigrees();
  for (const Rec& x : founder_with_mates(4, 18, 54)) recs.push_back(x);
  write_inputs(dir, recs);
  const RunResult r = dir.run("cut_select");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kThreeOut + " PEDIGREE:  4\n max_spou+2>M_STAR: 54 55\n"
                   " Set LOOPCUT_M_STAR in the environment to raise this ceiling.\n");
  EXPECT_EQ(dir.read("res.dat"), kThreeReport);
}

}  // namespace
}  // namespace loopcut::testing
