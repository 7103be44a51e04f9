// ped_prep sets the chain's ceilings from what it sends (ped_prep/chain/ceilings): more pedigrees
// with loops and more mates than the build values go through.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "common/errors.hpp"
#include "common/label.hpp"
#include "common/par.hpp"
#include "ped_prep/formats/chain_format.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

// A chain file: each pedigree a brother and sister with a child (a loop), given as
// "ped id fa mo sex label" lines.
std::string sib_matings(int pedigrees) {
  std::string s = "ped id fa mo sex kod\n";
  int id = 0;
  for (int p = 1; p <= pedigrees; ++p) {
    const int a = id + 1;
    const std::string parents = std::to_string(a) + " " + std::to_string(a + 1);
    const std::string sibs = std::to_string(a + 2) + " " + std::to_string(a + 3);
    for (const std::string& rest : std::vector<std::string>{"0 0 1", "0 0 2", parents + " 1",
                                                            parents + " 2", sibs + " 1"}) {
      ++id;
      s += std::to_string(p) + " " + std::to_string(id) + " " + rest + " P" + std::to_string(id) + "\n";
    }
  }
  return s;
}

TEST(PedPrepCeilings, MorePedigreesWithLoopsThanTheBuildHoldsGoThroughTheChain) {
  WorkDir d;
  const int pedigrees = N_FAM - 2 + 5;
  d.write("many.ped", sib_matings(pedigrees));
  const RunResult r = ped_prep(d, {"run", "chain", "many.ped", "-o", "out.ped"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("chain: " + std::to_string(pedigrees) + " pedigrees with loops"),
            std::string::npos) << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
}

TEST(PedPrepCeilings, AnIndividualWithMoreMatesThanTheBuildHoldsGoesThroughTheChain) {
  // A sire with M_STAR mates (the build holds M_STAR - 2), a child by each; two of his children
  // by different mates have a child together: a loop through him.
  WorkDir d;
  const int mates = M_STAR;
  std::string s = "ped id fa mo sex kod\n1 1 0 0 1 S\n";
  for (int k = 1; k <= mates; ++k) s += "1 " + std::to_string(1 + k) + " 0 0 2 M" + std::to_string(k) + "\n";
  for (int k = 1; k <= mates; ++k) {
    s += "1 " + std::to_string(1 + mates + k) + " 1 " + std::to_string(1 + k) + " " +
         std::to_string(k % 2 + 1) + " C" + std::to_string(k) + "\n";
  }
  const int son = 1 + mates + 2, daughter = 1 + mates + 1;  // C2 is male, C1 female
  s += "1 " + std::to_string(2 + 2 * mates) + " " + std::to_string(son) + " " + std::to_string(daughter) + " 1 G\n";
  d.write("sire.ped", s);
  const RunResult r = ped_prep(d, {"run", "chain", "sire.ped", "-o", "out.ped"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace loopcut::testing
