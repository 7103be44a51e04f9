// ped_prep run, draw and the command line: the whole job through the built chain programs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

struct Line {
  std::string family, id, father, mother, sex, rest;
};

std::vector<Line> columns_file(const std::string& text) {
  std::vector<Line> lines;
  std::istringstream in(text);
  for (std::string s; std::getline(in, s);) {
    std::istringstream w(s);
    Line l;
    w >> l.family >> l.id >> l.father >> l.mother >> l.sex;
    std::getline(w, l.rest);
    l.rest.erase(0, l.rest.find_first_not_of(" \t") == std::string::npos ? l.rest.size()
                                                                          : l.rest.find_first_not_of(" \t"));
    lines.push_back(l);
  }
  return lines;
}

// Runs `check` on the re-import of a written file: the loops it still has.
std::string loops_after_reimport(const WorkDir& d, const std::string& format,
                                 const std::string& file) {
  const RunResult imp = ped_prep(d, {"import", format, file, "-o", "again"});
  EXPECT_EQ(imp.status, 0) << imp.err;
  return imp.out;
}

// Family A: the cousins 7 and 8 have a child 9; 8 knows only its mother 4, so the loop runs
// through a mother of a one-parent record. Family B uses the same identifiers for a marriage of
// half sibs. Each line carries an affection status and two marker columns.
const char* const LINKAGE =
    "A 1 0 0 1 1 1 2\n"
    "A 2 0 0 2 1 1 1\n"
    "A 3 1 2 1 1 2 2\n"
    "A 4 1 2 2 2 1 2\n"
    "A 5 0 0 2 1 1 1\n"
    "A 7 3 5 1 1 1 2\n"
    "A 8 0 4 2 2 2 2\n"
    "A 9 7 8 1 2 1 2\n"
    "B 1 0 0 1 1 1 1\n"
    "B 2 0 0 2 1 1 1\n"
    "B 3 0 0 2 1 1 1\n"
    "B 4 1 2 1 1 1 1\n"
    "B 5 1 3 2 1 1 1\n"
    "B 6 4 5 0 2 1 1\n";

TEST(PedPrepRun, LinkageWithPerFamilyIdentifiersAndOneParentRecordsComesOutLoopFree) {
  WorkDir d;
  d.write("in.pre", LINKAGE);
  const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;

  const std::vector<Line> out = columns_file(d.read("out.pre"));
  std::map<std::string, Line> by_key;
  for (const Line& l : out) by_key[l.family + "/" + l.id] = l;
  // Every individual of the input, with its own columns; parents name records of the file.
  for (const Line& in : columns_file(LINKAGE)) {
    ASSERT_TRUE(by_key.count(in.family + "/" + in.id)) << in.family << " " << in.id;
    const Line& o = by_key[in.family + "/" + in.id];
    EXPECT_EQ(o.rest, in.rest);
    EXPECT_EQ(o.sex, in.sex);
  }
  for (const Line& l : out) {
    if (l.father != "0") {
      EXPECT_TRUE(by_key.count(l.family + "/" + l.father)) << l.father;
    }
    if (l.mother != "0") {
      EXPECT_TRUE(by_key.count(l.family + "/" + l.mother)) << l.mother;
    }
  }
  // The stand-in father of 8 stays inside the chain: 8 keeps its unknown father.
  EXPECT_EQ(by_key["A/8"].father, "0");
  // The copies carry the breaker's identifier with a suffix and its columns, and are listed.
  const std::string side = d.read("out.pre.copies.tsv");
  int copies = 0;
  for (const Line& l : out) {
    const auto c = l.id.find("_c");
    if (c == std::string::npos) continue;
    ++copies;
    const Line& breaker = by_key[l.family + "/" + l.id.substr(0, c)];
    EXPECT_EQ(l.rest, breaker.rest);
    EXPECT_EQ(l.father, "0");
    EXPECT_NE(side.find(l.family + "\t" + l.id + "\tcopy\t" + breaker.id), std::string::npos) << side;
  }
  EXPECT_GE(copies, 2) << "one loop in each family";
  EXPECT_EQ(side.find("added"), std::string::npos) << side;
  EXPECT_EQ(by_key.count("A/4_u"), 0u);

  EXPECT_NE(loops_after_reimport(d, "linkage", "out.pre").find(", 0 loops in 0 of them"),
            std::string::npos);
}

TEST(PedPrepRun, KeepingOneParentRecordsLeavesTheirLoopUncut) {
  WorkDir d;
  d.write("in.pre", LINKAGE);
  const RunResult r =
      ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", "--keep-one-parent", "--work", "w"});
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("1 loop left in 1 pedigree, 0 individuals lost"), std::string::npos) << r.out;
  EXPECT_TRUE(d.exists("w/res.dat")) << "the chain's files stay for a look";
  EXPECT_FALSE(d.exists("out.pre")) << "a result with loops left is not written";
  EXPECT_NE(r.err.find("ped_prep: out.pre not written: the cut left loops or lost someone\n"
                       "the chain's files are kept in w\n"),
            std::string::npos)
      << r.err;
}

TEST(PedPrepRun, FamAndRelationshipValuesGoThroughCostPrep) {
  WorkDir d;
  std::string fam;
  for (const Line& l : columns_file(LINKAGE))
    fam += l.family + "\t" + l.id + "\t" + l.father + "\t" + l.mother + "\t" + l.sex + "\t-9\n";
  d.write("in.fam", fam);
  // Relationship of the whole pedigree, then values for some individuals by family and id.
  d.write("rel.txt", "0.25\nA 3 0.20\nA 4 0.10\nB 1 0.125\n");
  d.write("double.txt", "A 3\n");
  const RunResult r = ped_prep(d, {"run", "fam", "in.fam", "-o", "out.fam", "--weights", "rel.txt",
                                   "--double", "double.txt", "--work", "chain"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  // rrr.dat is keyed by the rows of the chain's pedigree file.
  std::map<std::string, std::string> row_of;
  std::istringstream map(d.read("chain/labels.tsv"));
  for (std::string line; std::getline(map, line);) {
    std::istringstream w(line);
    std::string label, family, id;
    std::getline(w, label, '\t');
    std::getline(w, family, '\t');
    std::getline(w, id, '\t');
    row_of[family + "/" + id] = label;
  }
  const std::string rrr = d.read("chain/rrr.dat");
  EXPECT_EQ(rrr.substr(0, rrr.find('\n')), " 0 0.25");
  EXPECT_EQ(std::count(rrr.begin(), rrr.end(), '\n'), 4);
  EXPECT_TRUE(d.exists("chain/w_0.dat"));
  const std::string list = d.read("chain/list.dat");
  EXPECT_EQ(std::count(list.begin(), list.end(), '\n'), 1);
  const std::vector<Line> out = columns_file(d.read("out.fam"));
  for (const Line& l : out) EXPECT_EQ(l.rest, "-9") << l.id;
  EXPECT_EQ(out.size(), 14u + 2u) << "14 individuals and two copies; stand-ins are not written";
}

TEST(PedPrepRun, UnknownIdentifierInTheRelationshipValuesIsRefused) {
  WorkDir d;
  d.write("in.pre", LINKAGE);
  d.write("rel.txt", "0.25\nA 33 0.2\n");
  const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", "--weights", "rel.txt"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("rel.txt:2: no individual 33 of family A"), std::string::npos) << r.err;
  EXPECT_FALSE(d.exists("out.pre"));
}

TEST(PedPrepRun, GedcomRoundTripKeepsNamesAndMarksCopies) {
  WorkDir d;
  // Cousins I7 and I8 marry; their mothers I3 and I4 are sisters.
  d.write("in.ged",
          "0 HEAD\n1 CHAR UTF-8\n"
          "0 @I1@ INDI\n1 NAME Old /Man/\n1 SEX M\n"
          "0 @I2@ INDI\n1 NAME Old /Woman/\n1 SEX F\n"
          "0 @I3@ INDI\n1 NAME Ann /Sister/\n1 SEX F\n1 BIRT\n2 DATE 1900\n"
          "0 @I4@ INDI\n1 NAME Bea /Sister/\n1 SEX F\n"
          "0 @I5@ INDI\n1 NAME Carl /Husband/\n1 SEX M\n"
          "0 @I6@ INDI\n1 NAME Dan /Husband/\n1 SEX M\n"
          "0 @I7@ INDI\n1 NAME Ed /Cousin/\n1 SEX M\n"
          "0 @I8@ INDI\n1 NAME Flo /Cousin/\n1 SEX F\n"
          "0 @I9@ INDI\n1 NAME Gus /Child/\n1 SEX M\n"
          "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I4@\n"
          "0 @F2@ FAM\n1 HUSB @I5@\n1 WIFE @I3@\n1 MARR\n2 DATE 1920\n1 CHIL @I7@\n"
          "0 @F3@ FAM\n1 HUSB @I6@\n1 WIFE @I4@\n1 CHIL @I8@\n"
          "0 @F4@ FAM\n1 HUSB @I7@\n1 WIFE @I8@\n1 CHIL @I9@\n"
          "0 @F5@ FAM\n1 HUSB @I9@\n"
          "0 TRLR\n");
  const RunResult r = ped_prep(d, {"run", "gedcom", "in.ged", "-o", "out.ged"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string out = d.read("out.ged");
  // The input's records keep their lines: no FAMC is added where the file had none.
  EXPECT_NE(out.find("0 @I3@ INDI\n1 NAME Ann /Sister/\n1 SEX F\n1 BIRT\n2 DATE 1900\n0 @I3_c1@ INDI\n"), std::string::npos) << out;
  EXPECT_NE(out.find("0 @F5@ FAM\n1 HUSB @I9@\n"), std::string::npos) << "a childless family stays";
  const auto copy = out.find("_c1@ INDI\n");
  ASSERT_NE(copy, std::string::npos) << out;
  EXPECT_NE(out.find("1 NOTE copy of I", copy), std::string::npos);
  EXPECT_EQ(out.substr(out.size() - 7), "0 TRLR\n");
  EXPECT_NE(loops_after_reimport(d, "gedcom", "out.ged").find("10 individuals in 1 pedigree, 0 loops"),
            std::string::npos);
}

TEST(PedPrepRun, AChainProgramThatStopsIsReportedPlainly) {
  WorkDir d;
  d.write("in.pre", LINKAGE);
  // A stand-in optimiser that stops as the real one does when an individual has too many mates.
  std::filesystem::create_directory(d.path() / "bin");
  d.write("bin/cut_select",
          "#!/bin/sh\necho ' READING of initial data'\necho ' PEDIGREE:  1'\n"
          "echo ' max_spou+2>M_STAR: 54 55'\n");
  std::filesystem::permissions(d.path() / "bin/cut_select", std::filesystem::perms::owner_all);
  const RunResult r =
      ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", "--bin", "bin", "--work", "w"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("cut_select stopped at pedigree 1: an individual with 54 mates, more than "
                       "the optimiser's 53"),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("the chain's files are kept in w"), std::string::npos) << r.err;
  EXPECT_FALSE(d.exists("out.pre"));
}

TEST(PedPrepRun, RoyaltyGenealogyHasNoLoopLeftAndNobodyLost) {
  WorkDir d;
  const std::string ged = source_path("tests/data/royal92.ged").string();
  const RunResult r = ped_prep(d, {"run", "gedcom", ged, "-o", "royal.ged"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("3010 individuals in 405 pedigrees, 104 loops in 2 of them"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
  const std::string again = loops_after_reimport(d, "gedcom", "royal.ged");
  EXPECT_NE(again.find(", 0 loops in 0 of them"), std::string::npos) << again;
}

TEST(PedPrepRun, SquirrelPedigreeHasNoLoopLeftAndNobodyLost) {
  WorkDir d;
  const std::string ped = source_path("tests/data/squirrel.ped").string();
  const RunResult r = ped_prep(d, {"run", "chain", ped, "-o", "squirrel.cut"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("6938 individuals in 239 pedigrees, 613 loops in 2 of them"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
}

TEST(PedPrepDraw, MarksLoopsBreakersAndCopies) {
  WorkDir d;
  d.write("in.pre", LINKAGE);
  ASSERT_EQ(ped_prep(d, {"import", "linkage", "in.pre", "-o", "out"}).status, 0);
  ASSERT_EQ(ped_prep(d, {"run", "chain", "out/pedigree.ped", "-o", "cut.ped"}).status, 0);
  ASSERT_EQ(ped_prep(d, {"draw", "out/pedigree.ped", "-o", "in.dot", "--pedigree", "2"}).status, 0);
  const std::string in = d.read("in.dot");
  EXPECT_EQ(in.rfind("digraph pedigree {", 0), 0u);
  EXPECT_NE(in.find("fillcolor=gold"), std::string::npos) << "individuals on loops are shaded";
  EXPECT_EQ(in.find("A_1"), std::string::npos) << "only pedigree 2 is drawn";

  ASSERT_EQ(ped_prep(d, {"draw", "out/pedigree.ped", "cut.ped", "-o", "cut.dot"}).status, 0);
  const std::string cut = d.read("cut.dot");
  EXPECT_NE(cut.find("(breaker)\", shape="), std::string::npos) << cut;
  EXPECT_NE(cut.find("(copy)\", shape="), std::string::npos) << cut;
  EXPECT_EQ(ped_prep(d, {"draw", "out/pedigree.ped", "-o", "x.dot", "--pedigree", "9"}).status, 1);
}

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
