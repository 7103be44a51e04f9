// ped_prep's command line: usage errors, help and version.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/ped_prep_samples.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

const char* const LINKAGE = LINKAGE_TWO_FAMILIES;

TEST(PedPrepCommandLine, UsageErrorsHaveStatusTwo) {
  WorkDir d;
  d.write("in.pre", LINKAGE);
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {},
           {"frobnicate"},
           {"import", "csv", "in.pre", "-o", "out"},
           {"import", "linkage", "in.pre"},
           {"import", "linkage", "in.pre", "-o"},
           {"import", "linkage", "in.pre", "-o", "out", "--fast"},
           {"check"},
           {"check", "a", "b", "c"},
           {"run", "linkage", "in.pre", "-o", "x", "--transform", "cube", "--weights", "w"},
           {"run", "linkage", "in.pre", "-o", "x", "--double", "d"},
           {"draw", "in.ped", "-o", "x.dot", "--pedigree", "two"}}) {
    const RunResult r = ped_prep(d, args);
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(r.status, 2) << shown;
    EXPECT_NE(r.err.find("Try 'ped_prep --help'"), std::string::npos) << shown << r.err;
  }
}

TEST(PedPrepCommandLine, HelpVersionAndMissingFiles) {
  WorkDir d;
  RunResult r = ped_prep(d, {"--help"});
  EXPECT_EQ(r.status, 0);
  for (const char* sub : {"import FORMAT", "check PEDFILE", "run FORMAT", "draw PEDFILE"})
    EXPECT_NE(r.out.find(sub), std::string::npos) << sub;
  r = ped_prep(d, {"--version"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.rfind("ped_prep ", 0), 0u);
  r = ped_prep(d, {"check", "missing.ped"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("missing.ped"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace loopcut::testing
