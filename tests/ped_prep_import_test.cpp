// ped_prep import: each format, the awkward inputs, and the problems it must refuse.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "ped_prep/formats/chain_format.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

using prep::ChainFile;
using prep::read_chain_file;

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

ChainFile imported(const WorkDir& dir, const std::string& sub = "out") {
  return read_chain_file((dir.path() / sub / "pedigree.ped").string());
}

std::string label(const prep::ChainRecord& r) { return trimmed(r.kod); }

const prep::ChainRecord& by_label(const ChainFile& f, const std::string& l) {
  for (const auto& r : f.records)
    if (label(r) == l) return r;
  ADD_FAILURE() << "no record labelled " << l;
  return f.records.front();
}

// The rules the chain relies on: identifiers are rows, parents come first and lie in the same
// pedigree, a parent's sex fits its role, pedigrees are numbered 1, 2, ... in file order.
void expect_chain_rules(const ChainFile& f) {
  int ped = 1;
  for (std::size_t i = 0; i < f.records.size(); ++i) {
    const auto& r = f.records[i];
    EXPECT_EQ(r.id, static_cast<int>(i) + 1);
    EXPECT_TRUE(r.ped == ped || r.ped == ped + 1) << "record " << r.id;
    ped = r.ped;
    EXPECT_TRUE(r.sex == 1 || r.sex == 2);
    for (int role = 1; role <= 2; ++role) {
      const int p = role == 1 ? r.fa : r.mo;
      if (p == 0) continue;
      ASSERT_LT(p, r.id) << "parent after child " << r.id;
      EXPECT_EQ(f.records[p - 1].sex, role);
      EXPECT_EQ(f.records[p - 1].ped, r.ped);
    }
  }
}

// Two families whose identifiers restart at 1; in family B the child 4 is listed before its
// parents, and individual 5 of family A knows only its mother, of unknown sex.
const char* const PER_FAMILY =
    "A 1 0 0 1 1 1 2\n"
    "A 2 0 0 0 2 2 2\n"
    "A 3 1 2 1 1 1 1\n"
    "A 5 0 2 2 2 1 2\n"
    "A 6 0 0 0 1 2 2\n"
    "B 4 1 2 2 2 1 1\n"
    "B 1 0 0 1 1 1 1\n"
    "B 2 0 0 2 1 2 2\n";

TEST(PedPrepImport, LinkageWithPerFamilyIdentifiersUnknownSexAndOneParent) {
  WorkDir d;
  d.write("in.pre", PER_FAMILY);
  const RunResult r = ped_prep(d, {"import", "linkage", "in.pre", "-o", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  const ChainFile f = imported(d);
  expect_chain_rules(f);
  // 8 individuals and one stand-in father for the children of A's 2, whose father is unknown.
  ASSERT_EQ(f.records.size(), 9u);
  // Families A and B are apart; A's individual 6 (no parents, no children) is a group of its own.
  EXPECT_EQ(f.records.back().ped, 3);
  // Identifiers used in both families are told apart by the family; 5 and 6 are unique.
  const auto& mother = by_label(f, "A_2");
  EXPECT_EQ(mother.sex, 2) << "a parent of unknown sex takes the sex of its role";
  const auto& child = by_label(f, "5");
  EXPECT_EQ(f.records[child.mo - 1].id, mother.id);
  ASSERT_NE(child.fa, 0) << "the one-parent record gets a stand-in father";
  const auto& stand_in = f.records[child.fa - 1];
  EXPECT_EQ(stand_in.sex, 1);
  EXPECT_EQ(stand_in.fa, 0);
  EXPECT_EQ(stand_in.mo, 0);
  EXPECT_EQ(by_label(f, "6").sex, 1) << "unknown sex of a non-parent is written as male";
  const auto& b4 = by_label(f, "4");
  EXPECT_EQ(label(f.records[b4.fa - 1]), "B_1");
  EXPECT_EQ(label(f.records[b4.mo - 1]), "B_2");

  // The map gives the original family and identifier; the further columns go to a side file.
  const std::string map = d.read("out/labels.tsv");
  EXPECT_NE(map.find("\n4\tB\t4\t"), std::string::npos) << map;
  EXPECT_NE(map.find("added father: the unknown mate of 2"), std::string::npos) << map;
  EXPECT_NE(d.read("out/columns.tsv").find("\n4\t2 1 1\n"), std::string::npos);
  EXPECT_EQ(d.read("out/task.inp"), "pedigree.ped\nunit.w\npedigree.cut\n");
  std::istringstream w(d.read("out/unit.w"));
  int lines = 0;
  for (std::string line; std::getline(w, line);) ++lines;
  EXPECT_EQ(lines, 9);
}

TEST(PedPrepImport, KeepOneParentLeavesTheRecordAsItIs) {
  WorkDir d;
  d.write("in.pre", PER_FAMILY);
  ASSERT_EQ(ped_prep(d, {"import", "linkage", "in.pre", "-o", "out", "--keep-one-parent"}).status, 0);
  const ChainFile f = imported(d);
  EXPECT_EQ(f.records.size(), 8u);
  EXPECT_EQ(by_label(f, "5").fa, 0);
  EXPECT_NE(by_label(f, "5").mo, 0);
}

TEST(PedPrepImport, OneStandInPerKnownParentAndRole) {
  WorkDir d;
  // Three children of mother 2 without a father, one child of father 1 without a mother.
  d.write("in.fam",
          "F 1 0 0 1 -9\nF 2 0 0 2 -9\nF 3 0 2 1 1\nF 4 0 2 2 2\nF 5 0 2 1 1\nF 6 1 0 2 2\n");
  const RunResult r = ped_prep(d, {"import", "fam", "in.fam", "-o", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  const ChainFile f = imported(d);
  expect_chain_rules(f);
  ASSERT_EQ(f.records.size(), 8u);
  const int fa3 = by_label(f, "3").fa;
  EXPECT_NE(fa3, 0);
  EXPECT_EQ(by_label(f, "4").fa, fa3);
  EXPECT_EQ(by_label(f, "5").fa, fa3);
  const int mo6 = by_label(f, "6").mo;
  ASSERT_NE(mo6, 0);
  EXPECT_EQ(f.records[mo6 - 1].sex, 2);
}

TEST(PedPrepImport, GedcomFamiliesGiveTheParents) {
  WorkDir d;
  d.write("in.ged",
          "0 HEAD\n1 CHAR UTF-8\n"
          "0 @I3@ INDI\n1 NAME Carl /Child/\n1 SEX M\n1 FAMC @F1@\n"
          "0 @I1@ INDI\n1 NAME Adam /Father/\n1 SEX M\n1 FAMS @F1@\n"
          "0 @I2@ INDI\n1 NAME Eve /Mother/\n1 SEX F\n"
          "0 @I4@ INDI\n1 NAME Nora /Nosex/\n1 FAMS @F2@\n"
          "0 @I5@ INDI\n1 NAME Olaf /Oneparent/\n1 SEX M\n"
          "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n"
          "0 @F2@ FAM\n1 WIFE @I4@\n1 CHIL @I5@\n"
          "0 TRLR\n");
  const RunResult r = ped_prep(d, {"import", "gedcom", "in.ged", "-o", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  const ChainFile f = imported(d);
  expect_chain_rules(f);
  const auto& c = by_label(f, "I3");
  EXPECT_EQ(label(f.records[c.fa - 1]), "I1");
  EXPECT_EQ(label(f.records[c.mo - 1]), "I2");
  const auto& o = by_label(f, "I5");
  EXPECT_EQ(label(f.records[o.mo - 1]), "I4");
  EXPECT_EQ(f.records[o.mo - 1].sex, 2);
  EXPECT_NE(o.fa, 0);
}

TEST(PedPrepImport, ChainFileIsRenumberedAndRepaired) {
  WorkDir d;
  // Identifiers that are not rows, a child before its parents, a one-parent record, and two
  // records that share a label.
  d.write("in.ped",
          " ped id fa mo sex kod\n"
          " 7 30 10 20 1 kid\n"
          " 7 10 0 0 1 dad\n"
          " 7 20 0 0 2 mum\n"
          " 9 40 0 20 2 kid\n");
  const RunResult r = ped_prep(d, {"import", "chain", "in.ped", "-o", "out"});
  ASSERT_EQ(r.status, 0) << r.err;
  const ChainFile f = imported(d);
  expect_chain_rules(f);
  ASSERT_EQ(f.records.size(), 5u);
  EXPECT_EQ(f.records.back().ped, 1) << "one connected group, whatever the pedigree numbers said";
  EXPECT_EQ(label(f.records[by_label(f, "kid").fa - 1]), "dad");
  EXPECT_EQ(label(f.records[by_label(f, "kid#2").mo - 1]), "mum");
}

TEST(PedPrepImport, OwnAncestorIsRefusedWithTheCycle) {
  WorkDir d;
  d.write("in.pre",
          "1 1 3 2 1\n"
          "1 2 0 0 2\n"
          "1 3 1 2 1\n"
          "2 9 9 0 1\n");
  const RunResult r = ped_prep(d, {"import", "linkage", "in.pre", "-o", "out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("is its own ancestor: 1 has father 3, 3 has father 1"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("9 of family 2 is its own ancestor: 9 has father 9"), std::string::npos)
      << r.err;
  EXPECT_FALSE(d.exists("out/pedigree.ped")) << "nothing is written for a refused input";
}

TEST(PedPrepImport, EveryProblemIsReportedWithItsIdentifiers) {
  WorkDir d;
  d.write("in.pre",
          "1 1 0 0 2\n"   // a father of sex 2
          "1 2 0 0 1\n"   // a mother of sex 1
          "1 3 1 2 1\n"
          "1 3 1 2 2\n"   // duplicate identifier in family 1
          "2 1 0 0 1\n"   // the same identifier in another family is fine
          "2 2 1 7 1\n"   // mother 7 has no record
          "3 1 0 0 1\n"
          "3 2 1 1 1\n"   // the same parent as father and mother
          "4 1 0 0 0\n"
          "4 2 0 0 0\n"
          "4 3 1 2 1\n"
          "4 4 2 1 1\n"   // 1 and 2 are each father of one and mother of the other
          "5 1 0 0 x\n");  // a sex that linkage does not know
  const RunResult r = ped_prep(d, {"import", "linkage", "in.pre", "-o", "out"});
  EXPECT_EQ(r.status, 1);
  for (const char* expected :
       {"1 of family 1 is the father of 3 but has sex 2", "2 of family 1 is the mother of 3 but has sex 1",
        "duplicate identifier 3 of family 1", "mother 7 of family 2 has no record (named by 2)",
        "2 of family 3 names 1 as both father and mother",
        "1 of family 4 is named as father (of 3) and as mother (of 4)",
        "2 of family 4 is named as father (of 4) and as mother (of 3)",
        "in.pre:13: individual 1 of family 5: sex must be 0, 1 or 2"}) {
    EXPECT_NE(r.err.find(expected), std::string::npos) << expected << "\n" << r.err;
  }
}

TEST(PedPrepImport, CapacitiesOfTheChainAreRefused) {
  WorkDir d;
  // 599 pedigrees, each with a sib mating.
  std::string many;
  for (int i = 1; i <= 599; ++i) {
    const std::string f = std::to_string(i);
    many += f + " 1 0 0 1\n" + f + " 2 0 0 2\n" + f + " 3 1 2 1\n" + f + " 4 1 2 2\n" + f +
            " 5 3 4 1\n";
  }
  d.write("many.pre", many);
  RunResult r = ped_prep(d, {"import", "linkage", "many.pre", "-o", "out"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("599 pedigrees (connected groups) are more than the 598"), std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("\nped_prep run takes them: it raises the chain's ceilings itself"),
            std::string::npos)
      << r.err;
  // The ceilings raised in the environment let import write the folder.
  setenv("LOOPCUT_N_FAM", "601", 1);
  const RunResult raised = ped_prep(d, {"import", "linkage", "many.pre", "-o", "raised"});
  unsetenv("LOOPCUT_N_FAM");
  EXPECT_EQ(raised.status, 0) << raised.err;

  // Pedigrees without loops need no cut: they do not count, and are left out when only the
  // pedigrees with loops fit.
  std::string loose = many.substr(0, many.find("\n2 1 0 0 1\n") + 1);
  for (int i = 2; i <= 700; ++i) loose += std::to_string(i) + " 1 0 0 1\n";
  d.write("loose.pre", loose);
  r = ped_prep(d, {"import", "linkage", "loose.pre", "-o", "loose"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("the 699 pedigrees without loops are left out of loose: they need no cut"),
            std::string::npos)
      << r.out;
  const std::string kept = d.read("loose/pedigree.ped");
  EXPECT_EQ(std::count(kept.begin(), kept.end(), '\n'), 1 + 5) << kept;

  // A father with 54 mates, one child by each; two of the half sibs have a child.
  std::string mates = "1 1 0 0 1\n1 g c0 c1 1\n";
  for (int i = 0; i < 54; ++i) {
    mates += "1 m" + std::to_string(i) + " 0 0 2\n";
    mates += "1 c" + std::to_string(i) + " 1 m" + std::to_string(i) + (i == 1 ? " 2\n" : " 1\n");
  }
  d.write("mates.pre", mates);
  r = ped_prep(d, {"import", "linkage", "mates.pre", "-o", "mates"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("1 of family 1 has 54 mates, more than the 53"), std::string::npos) << r.err;
  d.write("mates53.pre", mates.substr(0, mates.find("1 m53 ")));
  EXPECT_EQ(ped_prep(d, {"import", "linkage", "mates53.pre", "-o", "mates53"}).status, 0);
}

TEST(PedPrepImport, LabelsAreUniqueShortAndReadable) {
  WorkDir d;
  // Long identifiers that agree in their first 20 characters, and characters the chain's reader
  // would split on.
  d.write("in.pre",
          "fam a_very_long_identifier_1 0 0 1\n"
          "fam a_very_long_identifier_2 0 0 2\n"
          "fam x/y,z a_very_long_identifier_1 a_very_long_identifier_2 1\n");
  ASSERT_EQ(ped_prep(d, {"import", "linkage", "in.pre", "-o", "out"}).status, 0);
  const ChainFile f = imported(d);
  ASSERT_EQ(f.records.size(), 3u);
  EXPECT_EQ(label(f.records[0]), "a_very_long_identifi");
  EXPECT_EQ(label(f.records[1]), "a_very_long_identi#2");
  EXPECT_EQ(label(f.records[2]), "x_y_z");
}

}  // namespace
}  // namespace loopcut::testing
