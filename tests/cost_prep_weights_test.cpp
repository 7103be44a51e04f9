// cost_prep end to end: the weights it writes, run through the built program.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>

#include "common/free_writer.hpp"
#include "cost_prep/cost_prep.hpp"
#include "support/run_program.hpp"

namespace loopcut {
namespace {

using testing::RunResult;
using testing::WorkDir;

RunResult run_cost_prep(const WorkDir& d, const std::string& task, const std::string& rrr) {
  d.write("task_w_fin.inp", task);
  d.write("rrr.dat", rrr);
  return d.run("cost_prep");
}

std::string counts(int found, int from_list) {
  return " number of stars =          " + std::to_string(found) +
         "\n number of stars from list= " + std::to_string(from_list) + "\n";
}

TEST(CostPrepWeights, TransformsOffAndOnTheListAndStarsWithoutRecords) {
  WorkDir d;
  d.write("list.dat", "5\n4\n");  // star 4 has no record: zeros, counted in neither count
  // w = (2 - 1.5) / 2 = 0.25 for stars 3 and 5; the smallest weight 0.25 gives the scale 10.
  const RunResult r = run_cost_prep(d, "5\nlist.dat\n", "0 2\n5 1.5\n3 1.5\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, counts(2, 1));
  EXPECT_EQ(d.read("w_res.dat"),
            " 1 0.0 0.0 0.0\n 2 0.0 0.0 0.0\n 3 25.0 5.0 0.91629076\n 4 0.0 0.0 0.0\n"
            " 5 50.0 7.071068 1.609438\n");
  EXPECT_EQ(d.read("w_0.dat"), " 1 0.0\n 2 0.0\n 3 25.0\n 4 0.0\n 5 50.0\n");
  EXPECT_EQ(d.read("w_s.dat"), " 1 0.0\n 2 0.0\n 3 5.0\n 4 0.0\n 5 7.071068\n");
  EXPECT_EQ(d.read("w_l.dat"), " 1 0.0\n 2 0.0\n 3 0.91629076\n 4 0.0\n 5 1.609438\n");
  EXPECT_FALSE(d.exists("w_res.dat.part"));
}

TEST(CostPrepWeights, ScaleIsTheSmallestPowerOfTenThatLiftsTheLogarithm) {
  // Smallest weight -> scale, seen in the logarithm ln(w x scale) of the only star.
  const struct {
    const char* rrr;
    const char* w_l;
  } cases[] = {
      {"0 10\n1 9\n", " 1 2.3025851\n"},  // 0.1: ln(10 x 0.1) = 0 is not enough, scale 100
      {"0 20\n1 19\n", " 1 1.609438\n"},  // 0.05: scale 100
      {"0 5\n1 4\n", " 1 0.6931472\n"},   // 0.2: scale 10
      {"0 1\n1 0\n", " 1 2.3025851\n"},   // exactly 1: scale 10
      {"0 2\n1 -1\n", " 1 0.4054651\n"},  // 1.5: scale 1
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rrr);
    WorkDir d;
    EXPECT_EQ(run_cost_prep(d, "1\nlist.dat\n", c.rrr).status, 0);
    EXPECT_EQ(d.read("w_l.dat"), c.w_l);
  }
}

TEST(CostPrepWeights, SmallWeightsZeroAndNegativeWeights) {
  WorkDir d;
  d.write("list.dat", "1\n4\n6\n");
  // R0 = 100000. Star 1: w = 1e-5, written but not the smallest (else the scale would be 10^6),
  // its logarithm ln(1e-4) is negative and gets no ln 2 on the list. Star 2: w = 0.5, the
  // smallest, scale 10. Stars 3, 4: w = 0. Stars 5, 6: w = -0.5, the root keeps its sign.
  const RunResult r = run_cost_prep(d, "6\nlist.dat\n",
                                    "0 100000\n1 99999\n2 50000\n3 100000\n4 100000\n"
                                    "5 150000\n6 150000\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, counts(6, 3));
  EXPECT_EQ(d.read("w_res.dat"),
            " 1 0.0019999999 0.044721358 -9.2103405\n 2 50.0 7.071068 1.609438\n"
            " 3 0.0 0.0 0.0\n 4 0.0 0.0 0.0\n 5 -50.0 -7.071068 0.0\n 6 -100.0 -10.0 0.0\n");
}

TEST(CostPrepWeights, SmallestWeightSpansAllRecordsButTheFirstRecordOfAStarIsWritten) {
  // The second record (w = 0.08) sets the scale 100 whether it repeats star 1 or lies beyond n;
  // star 1 is written with the weight 0.5 of its first record. A record cut short is dropped.
  for (const char* rrr : {"0 1\n1 0.5\n1 0.92\n2\n", "0 1\n1 0.5\n9 0.92\n2\n"}) {
    SCOPED_TRACE(rrr);
    WorkDir d;
    const RunResult r = run_cost_prep(d, "2\nlist.dat\n", rrr);
    EXPECT_EQ(r.out, counts(1, 0));
    EXPECT_EQ(d.read("w_res.dat"), " 1 50.0 7.071068 3.912023\n 2 0.0 0.0 0.0\n");
  }
}

TEST(CostPrepWeights, NoStarsOrNoRecords) {
  WorkDir d;
  for (const char* f : {"w_res.dat", "w_0.dat", "w_s.dat", "w_l.dat"}) d.write(f, " 1 9.0\n");
  // n = 0: the old files are replaced by empty ones.
  RunResult r = run_cost_prep(d, "0\nlist.dat\n", "0 2\n1 1\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, counts(0, 0));
  for (const char* f : {"w_res.dat", "w_0.dat", "w_s.dat", "w_l.dat"}) EXPECT_EQ(d.read(f), "");
  // No record after the first: every star is written with zeros.
  r = run_cost_prep(d, "2\nlist.dat\n", "0 2\n");
  EXPECT_EQ(r.out, counts(0, 0));
  EXPECT_EQ(d.read("w_res.dat"), " 1 0.0 0.0 0.0\n 2 0.0 0.0 0.0\n");
  EXPECT_EQ(d.read("w_l.dat"), " 1 0.0\n 2 0.0\n");
}

}  // namespace
}  // namespace loopcut

namespace loopcut {
namespace {

using testing::RunResult;
using testing::WorkDir;

// Whether f is the 32-bit value nearest to x (ties either way).
bool nearest(float f, long double x) {
  const long double here = std::fabs(static_cast<long double>(f) - x);
  const long double below = std::fabs(static_cast<long double>(std::nextafter(f, -INFINITY)) - x);
  const long double above = std::fabs(static_cast<long double>(std::nextafter(f, INFINITY)) - x);
  return here <= below && here <= above;
}

// The logarithm and the root are the correctly rounded 32-bit results, whatever the library's
// 32-bit routines give: the weight files are the same bytes everywhere.
TEST(CostPrepWeights, LogarithmAndRootAreCorrectlyRounded) {
  EXPECT_EQ(ln32(32.769134521484375f), 3.4894869f);
  // Written in its shortest form; the value one unit below, which a 32-bit logarithm may give,
  // would read differently.
  EXPECT_EQ(format_real(ln32(32.769134521484375f)), "3.489487");
  EXPECT_EQ(format_real(std::nextafter(3.4894869f, 0.0f)), "3.4894867");
  std::mt19937 rng(7u);
  std::uniform_int_distribution<std::uint32_t> bits(0x00800000u, 0x7f7fffffu);  // normal, > 0
  for (int k = 0; k < 200000; ++k) {
    const std::uint32_t b = bits(rng);
    float x;
    std::memcpy(&x, &b, sizeof x);
    ASSERT_TRUE(nearest(ln32(x), std::log(static_cast<long double>(x)))) << x;
    ASSERT_TRUE(nearest(sqrt32(x), std::sqrt(static_cast<long double>(x)))) << x;
  }
}

TEST(CostPrepWeights, TheLogarithmFileCarriesTheCorrectlyRoundedValue) {
  WorkDir d;
  // R0 = 1 and R = -31.769134521484375 give w = 32.769134521484375 and the scale 1.
  const RunResult r = run_cost_prep(d, "1\nlist.dat\n", "0 1\n1 -31.769134521484375\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(d.read("w_l.dat"), " 1 3.489487\n");  // 3.4894869 in its shortest form
}

}  // namespace
}  // namespace loopcut
