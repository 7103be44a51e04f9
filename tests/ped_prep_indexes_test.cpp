// The flat indexes that ped_prep finds records through, and the checks that use them where the
// records are not numbered as the chain numbers them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ped_prep/pipeline/check.hpp"
#include "ped_prep/pipeline/name_index.hpp"

namespace loopcut::testing {
namespace {

using prep::NameKey;

TEST(PedPrepNameIndex, KeepsTheFirstOfEachNameTellsThePartsApartAndGrows) {
  std::vector<std::pair<std::string, std::string>> names;
  for (int i = 0; i < 5000; ++i) names.emplace_back("f" + std::to_string(i % 7), std::to_string(i));
  names.emplace_back("a", "bc");
  names.emplace_back("ab", "c");
  names.emplace_back("f3", "3");  // the same as record 3
  auto name_of = [&](int v) { return NameKey{names[v].first, names[v].second}; };
  prep::NameIndex index(name_of);  // starts small: grows many times
  for (int v = 0; v < static_cast<int>(names.size()); ++v) {
    const int filed = index.insert(v);
    EXPECT_EQ(filed, v == 5002 ? 3 : v) << v;
  }
  for (int v = 0; v < 5002; ++v) EXPECT_EQ(index.find(name_of(v)), v);
  EXPECT_EQ(index.find(NameKey{"a", "bc"}), 5000);
  EXPECT_EQ(index.find(NameKey{"ab", "c"}), 5001);
  EXPECT_EQ(index.find(NameKey{"abc", ""}), -1);
  EXPECT_EQ(index.find(NameKey{"f0", "1"}), -1);
}

prep::ChainRecord record(int ped, int id, int fa, int mo, int sex, const std::string& label,
                         int prob = 2) {
  prep::ChainRecord r;
  r.ped = ped;
  r.id = id;
  r.fa = fa;
  r.mo = mo;
  r.sex = sex;
  r.prob = prob;
  r.kod = make_label(label);
  return r;
}

TEST(PedPrepCheckIndexes, IdentifiersAndPedigreeNumbersFarBeyondTheRecordsOrNegative) {
  // A file of another program: identifiers in the millions and below zero, pedigree numbers
  // likewise; the parents and pedigrees are found all the same.
  prep::ChainFile f;
  f.file = "far.ped";
  f.records = {record(-5, 9000000, 0, 0, 1, "A"), record(-5, -7, 0, 0, 2, "B"),
               record(-5, 12, 9000000, -7, 1, "C"), record(800000, 3, 0, 0, 1, "D")};
  const prep::IndexedPedigree ix = prep::index_pedigree(f);
  EXPECT_TRUE(ix.problems.empty());
  EXPECT_EQ(ix.fa, (std::vector<int>{-1, -1, 0, -1}));
  EXPECT_EQ(ix.mo, (std::vector<int>{-1, -1, 1, -1}));
  EXPECT_EQ(ix.group, (std::vector<int>{0, 0, 0, 1}));
  EXPECT_EQ(ix.numbers, (std::vector<int>{-5, 800000}));
}

TEST(PedPrepCheckIndexes, TwiceUsedIdentifierKeepsTheFirstRecord) {
  prep::ChainFile f;
  f.file = "twice.ped";
  f.records = {record(1, 1, 0, 0, 1, "A"), record(1, 2, 0, 0, 2, "B"), record(1, 1, 0, 0, 2, "C"),
               record(1, 4, 1, 2, 1, "D")};
  const prep::IndexedPedigree ix = prep::index_pedigree(f);
  ASSERT_EQ(ix.problems.size(), 1u);
  EXPECT_NE(ix.problems[0].find("identifier 1 is used twice"), std::string::npos);
  EXPECT_EQ(ix.fa[3], 0);
}

TEST(PedPrepCheckIndexes, CutFileInTheInputsOrderWithALabelUsedTwiceMatchesTheFirst) {
  // The input has label X twice: the cut file is matched to the first X, as by the label alone,
  // even where the record after the last one matched is the second X.
  prep::ChainFile in;
  in.file = "in.ped";
  in.records = {record(1, 1, 0, 0, 1, "X"), record(1, 2, 0, 0, 2, "Y"), record(2, 3, 0, 0, 1, "X")};
  prep::ChainFile cut;
  cut.file = "cut.ped";
  cut.records = {record(1, 1, 0, 0, 2, "Y"), record(1, 2, 0, 0, 1, "X")};
  const prep::CheckResult r = prep::check_pedigrees(in, &cut);
  ASSERT_GE(r.problems.size(), 1u);
  EXPECT_NE(r.problems[0].find("label X is used twice"), std::string::npos);
  ASSERT_EQ(r.lost.size(), 1u);
  EXPECT_EQ(r.lost[0], "X (pedigree 2) is missing from the cut file");
}

}  // namespace
}  // namespace loopcut::testing
