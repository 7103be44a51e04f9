// What the fuzz targets of ped_prep's readers and run found, each case kept as the input that
// showed it (fuzz/regressions/) and as a test here of what the user sees.
#include <gtest/gtest.h>

#include <string>

#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

TEST(PedPrepFuzzFindings, AGedcomLevelOfManyDigitsIsAMalformedLineNotAnOverflow) {
  WorkDir d;
  d.write("in.ged", "0 HEAD\n1 GEDC\n10000000000000000000000 VERS 5.5.1\n0 TRLR\n");
  const RunResult r = ped_prep(d, {"import", "gedcom", "in.ged", "-o", "dir"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "ped_prep: in.ged refused, 1 problem:\n"
            "  in.ged:3: not a GEDCOM line: \"10000000000000000000000 VERS 5.5.1\"\n");
  EXPECT_FALSE(d.exists("dir"));
}

TEST(PedPrepFuzzFindings, AChainRecordWithoutALabelComesBackNamedByItsNumber) {
  // A '/' ends the record (free format) before its label: it is not lost,
  // the output names it by its number.
  WorkDir d;
  d.write("in.ped",
          "ped id fa mo sex kod\n2 1 0 0 1 sire\n1 2 0 0 2 dam\n1 3 1 2 2 daughter_a\n"
          "0 4 1 2 2 daughter_b\n1 5 1 3 1 son_of_a\n1 6 1 4 1 / son_of_b\n");
  const RunResult r = ped_prep(d, {"run", "chain", "in.ped", "-o", "out.ped", "--no-improve"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(d.read("out.ped"),
            " ped id fa mo sex prob kod\n"
            "     1     1     0     0     1     2  sire                \n"
            "     1     2     0     0     2     2  dam                 \n"
            "     1     3     1     2     2     2  daughter_a          \n"
            "     1     4     1     2     2     2  daughter_b          \n"
            "     1     5     0     0     2     1  daughter_b          \n"
            "     1     6     1     5     1     2  6                   \n"
            "     1     7     0     0     2     1  daughter_a          \n"
            "     1     8     1     7     1     2  son_of_a            \n");
  EXPECT_EQ(d.read("out.ped.copies.tsv"),
            "family\tid\tkind\toriginal\n\t5\tcopy\tdaughter_b\n\t7\tcopy\tdaughter_a\n");
}

TEST(PedPrepFuzzFindings, ChainLabelsThatNeedQuotesReadBackAsThemselves) {
  // Quoted labels may hold quotes, blanks, commas and slashes: written back quoted, each reads
  // back as it was.
  WorkDir d;
  d.write("in.ped",
          "ped id fa mo sex kod\n1 1 0 0 1 'it''s a b/c'\n1 2 0 0 2 '''dam'\n"
          "1 3 1 2 2 daughter_a\n1 4 1 2 2 \"x,y\"\n1 5 1 3 1 son_of_a\n1 6 1 4 1 son_of_b\n");
  const RunResult r = ped_prep(d, {"run", "chain", "in.ped", "-o", "out.ped", "--no-improve"});
  ASSERT_EQ(r.status, 0) << r.err;
  std::string expected =
      " ped id fa mo sex prob kod\n"
      "     1     1     0     0     1     2  'it''s a b/c'       \n"
      "     1     2     0     0     2     2  '''dam'             \n"
      "     1     3     1     2     2     2  daughter_a          \n"
      "     1     4     1     2     2     2  'x,y'               \n"
      "     1     5     0     0     2     1  'x,y'               \n"
      "     1     6     1     5     1     2  son_of_b            \n"
      "     1     7     0     0     2     1  daughter_a          \n"
      "     1     8     1     7     1     2  son_of_a            \n";
  EXPECT_EQ(d.read("out.ped"), expected);
  // Read again, the labels are the same; the copies are then individuals of the input.
  const RunResult again = ped_prep(d, {"run", "chain", "out.ped", "-o", "again.ped", "--no-improve"});
  ASSERT_EQ(again.status, 0) << again.err;
  for (const std::size_t at : {expected.find("1  'x,y'  "), expected.find("1  daughter_a")})
    expected[at] = '2';
  EXPECT_EQ(d.read("again.ped"), expected);
}

}  // namespace
}  // namespace loopcut::testing
