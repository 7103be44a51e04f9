// ped_prep sets the chain's ceilings from what it sends: more pedigrees with loops and more mates
// than the build values go through; identifiers of six digits read back from the cut file.
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

TEST(PedPrepCeilings, SixDigitIdentifiersNeverRunTogether) {
  // Written: a blank before a number that fills its six columns.
  EXPECT_EQ(prep::chain_line(1, 100000, 99999, 100001, 1, make_label("L")),
            "     1 100000 99999 100001     1  L");
  EXPECT_EQ(prep::chain_line(123456, 7, 0, 0, 2, make_label("L")), "123456     7     0     0     2  L");
  // Read: the cut file's fixed columns, touching or not.
  WorkDir d;
  d.write("cut.ped",
          "   ped    id    fa    mo   sex  prob  kod\n"
          "     1100000 99999100001     1     2  A\n"
          "999999     2     0     0     2     1  B C\n");
  const prep::ChainFile f = prep::read_chain_file((d.path() / "cut.ped").string(), false);
  ASSERT_EQ(f.records.size(), 2u);
  EXPECT_EQ(f.records[0].ped, 1);
  EXPECT_EQ(f.records[0].id, 100000);
  EXPECT_EQ(f.records[0].fa, 99999);
  EXPECT_EQ(f.records[0].mo, 100001);
  EXPECT_EQ(f.records[0].prob, 2);
  EXPECT_EQ(f.records[1].ped, 999999);
  EXPECT_EQ(f.records[1].prob, 1);
}

TEST(PedPrepCeilings, PlainCutLinesReadStraightFromTheirColumnsAsTheFreeReaderReadsThem) {
  // What ped_cut writes, read from its columns; then the same records where one line needs the
  // free reader (a second word after the label), which reads the whole file.
  const std::string plain =
      " ped id fa mo sex prob kod\n"
      "     1     1     0     0     1     2  A_very_long_label_x2\n"
      "     1     2     0     0     2     1  B\n"
      "    12100000     1     2    -1     2  C\n";
  std::string free = plain;
  free.insert(free.find("  B") + 3, " extra");
  WorkDir d;
  d.write("plain.cut", plain);
  d.write("free.cut", free);
  const prep::ChainFile a = prep::read_chain_file((d.path() / "plain.cut").string(), false);
  const prep::ChainFile b = prep::read_chain_file((d.path() / "free.cut").string(), false);
  ASSERT_EQ(a.records.size(), 3u);
  ASSERT_EQ(b.records.size(), 3u);
  for (std::size_t k = 0; k < 3; ++k) {
    const prep::ChainRecord& x = a.records[k];
    const prep::ChainRecord& y = b.records[k];
    EXPECT_EQ(std::tie(x.ped, x.id, x.fa, x.mo, x.sex, x.prob, x.kod, x.line),
              std::tie(y.ped, y.id, y.fa, y.mo, y.sex, y.prob, y.kod, y.line))
        << k;
  }
  EXPECT_EQ(a.records[2].id, 100000);
  EXPECT_EQ(a.records[2].sex, -1);
  EXPECT_EQ(a.records[1].line, 3);
  // Identifiers that are not rows: the free reader's message, whichever way the lines are read.
  EXPECT_THROW(prep::read_chain_file((d.path() / "plain.cut").string(), true), InputError);
}

}  // namespace
}  // namespace loopcut::testing
