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

}  // namespace
}  // namespace loopcut::testing
