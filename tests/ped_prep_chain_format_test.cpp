// The chain's own pedigree file (ped_prep/formats/chain_format): its lines written and read.
#include <gtest/gtest.h>

#include <string>
#include <tuple>

#include "common/errors.hpp"
#include "common/label.hpp"
#include "ped_prep/formats/chain_format.hpp"
#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

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
