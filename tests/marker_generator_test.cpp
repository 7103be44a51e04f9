// The benchmark's marker data where records have one known parent.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bench/marker_generator.hpp"
#include "bench/pedigree_generator.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

// The children of a parent whose mate is unknown share one stand-in for that mate: the data
// must give them alleles that one individual could have passed on, or elimination refuses the
// file as inconsistent (as it did when each child drew its unknown parent's allele afresh).
TEST(MarkerGenerator, ChildrenOfAParentWithAnUnknownMateShareOneMate) {
  bench::GeneratorOptions po;
  po.records = 600;
  po.pedigrees = 2;
  po.seed = 3;
  po.one_parent_percent = 10;
  const bench::MarkerFiles files = bench::generate_markers(
      bench::parse_chain_pedigree(bench::generate_pedigree(po).pedigree, "gen.ped"), {});
  WorkDir d;
  d.write("gen.pre", files.linkage);
  d.write("gen.dat", files.data);
  const RunResult r = run_command(
      d, "ped_prep", {"import", "linkage", "gen.pre", "-o", "dir", "--genotypes", "gen.dat"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace loopcut::testing
