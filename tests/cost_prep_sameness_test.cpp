// The weight preparation's indexed star lookups against the plain scans they replace
// (tests/reference): the first record of every star and list membership, over tables with
// repeated stars, stars outside 1 .. N_STAR and stars without a record.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "bench/pedigree_generator.hpp"
#include "common/par.hpp"
#include "cost_prep/cost_prep.hpp"
#include "reference/cost_prep_plain.hpp"
#include "support/run_program.hpp"

namespace loopcut {
namespace {

void expect_same_lookups(const StarTable& stars, const StarList& list, int highest) {
  auto same = [&](int star) {
    EXPECT_EQ(record_of(star, stars), reference::record_of(star, stars)) << "star " << star;
    EXPECT_EQ(on_list(star, list), reference::on_list(star, list)) << "star " << star;
  };
  for (int star = -3; star <= highest; ++star) same(star);
  for (int star : {N_STAR - 1, N_STAR, N_STAR + 1, N_STAR + 7}) same(star);
}

TEST(CostPrepSameness, TablesBuiltRecordByRecordAnswerAsTheScans) {
  std::mt19937 rng(99u);
  auto pick = [&rng](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  for (int run = 0; run < 60 && !::testing::Test::HasFailure(); ++run) {
    auto stars = std::make_unique<StarTable>();
    auto list = std::make_unique<StarList>();
    const int highest = pick(1, 300);
    const int records = pick(0, 2 * highest);
    for (int k = 0; k < records; ++k) {
      // Mostly stars of 1 .. highest (repeats included), some beyond the capacity or below 1.
      const int odd = pick(-3, 0) + (pick(0, 1) ? N_STAR + 4 : 0);
      const int star = pick(0, 9) == 0 ? odd : pick(1, highest);
      add_record(*stars, star, static_cast<float>(k) * 0.01f);
    }
    const int listed = pick(0, highest / 2);
    for (int k = 0; k < listed; ++k) {
      add_to_list(*list, pick(0, 5) == 0 ? N_STAR + pick(1, 3) : pick(-1, highest));
    }
    expect_same_lookups(*stars, *list, highest + 2);
  }
}

// The readers fill the indexes: a generated relationship file with repeated stars added behind
// it, and a list file with repeats.
TEST(CostPrepSameness, TablesReadFromFilesAnswerAsTheScans) {
  bench::GeneratorOptions o;
  o.records = 3000;
  const bench::GeneratedFiles f = bench::generate_pedigree(o);
  testing::WorkDir dir;
  dir.write("rrr.dat", f.rrr + " 17 0.5\n 3001 0.25\n -4 0.1\n 17 0.75\n 0 0.3\n");
  dir.write("stars.lst", f.list + " 17\n 17\n 3005\n");
  const std::string base = dir.path().string() + "/";
  auto stars = std::make_unique<StarTable>();
  auto list = std::make_unique<StarList>();
  read_relationships(base + "rrr.dat", *stars);
  read_star_list(base + "stars.lst", *list);
  ASSERT_EQ(stars->m, 3005);
  expect_same_lookups(*stars, *list, 3010);
}

}  // namespace
}  // namespace loopcut
