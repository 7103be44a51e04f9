// ped_prep run (ped_prep/commands/run_command): the whole job through the built chain programs,
// and the outputs it never writes over.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/ped_prep_samples.hpp"
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

const char* const LINKAGE = LINKAGE_TWO_FAMILIES;

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
  // The step search's cut: cut_improve's on this set is PedPrepRunImprove's.
  const RunResult r = ped_prep(d, {"run", "chain", ped, "-o", "squirrel.cut", "--no-improve"});
  EXPECT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("6938 individuals in 239 pedigrees, 613 loops in 2 of them"), std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
}

TEST(PedPrepRun, ARelationshipValueAboveTheWholePedigreesMakesTheFirstChoiceToCut) {
  WorkDir d;
  d.write("in.pre", SIBMATE);
  // 3 and 4 are more closely related than the pedigree as a whole: negative weights.
  d.write("rel.txt", "0.25\n1 3 0.5\n1 4 0.5\n");
  const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", "--weights", "rel.txt"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("2 individuals with a relationship value above the whole pedigree's: the "
                       "negative weight is taken as 0, so each is the first choice to cut: 3 of "
                       "family 1, 4 of family 1\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
  EXPECT_EQ(d.read("out.pre"), "1 1 0 0 1\n1 2 0 0 2\n1 3 1 2 1\n1 4 1 2 2\n1 5 3_c1 4 1\n1 3_c1 0 0 1\n");
}

TEST(PedPrepFaithful, AnOutputThatIsAnInputIsRefusedUnderAnyName) {
  WorkDir d;
  d.copy_fixture("faithful");
  const std::string before = d.read("sibmate.pre");
  std::filesystem::create_symlink("sibmate.pre", d.path() / "link.pre");
  std::filesystem::create_directory(d.path() / "sub");
  d.write("rel.txt", "0.25\n");
  const std::vector<std::vector<std::string>> cases{
      {"-o", "sibmate.pre"},
      {"-o", "./sub/../sibmate.pre"},
      {"-o", "link.pre"},
      {"-o", "rel.txt", "--weights", "rel.txt"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> args{"run", "linkage", "sibmate.pre"};
    args.insert(args.end(), c.begin(), c.end());
    const RunResult r = ped_prep(d, args);
    EXPECT_EQ(r.status, 1) << c[1];
    EXPECT_NE(r.err.find(": the output would replace the input "), std::string::npos) << r.err;
  }
  EXPECT_EQ(d.read("sibmate.pre"), before);
  EXPECT_EQ(d.read("rel.txt"), "0.25\n");
}

TEST(PedPrepFaithful, TheChainsFilesNeverGoIntoAFolderThatHoldsOtherFiles) {
  WorkDir d;
  d.copy_fixture("faithful");
  std::filesystem::create_directory(d.path() / "w");
  d.write("w/pedigree.ped", "my own pedigree\n");
  const RunResult r = ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "out.pre", "--work", "w"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(d.read("w/pedigree.ped"), "my own pedigree\n");
  EXPECT_TRUE(d.exists("w/ped_prep-1/pedigree.cut"));
  EXPECT_NE(r.out.find("in w/ped_prep-1\n"), std::string::npos) << r.out;

  const RunResult imp = ped_prep(d, {"import", "linkage", "sibmate.pre", "-o", "w"});
  EXPECT_EQ(imp.status, 1);
  EXPECT_EQ(imp.err, "ped_prep: w: the directory is not empty: give a new or empty directory, so "
                     "that no file of yours is replaced by one of the chain's\n");
  EXPECT_EQ(d.read("w/pedigree.ped"), "my own pedigree\n");
}

TEST(PedPrepFaithful, LinksDevicesFifosAndStandardOutputAreNeverRenamedOver) {
  WorkDir d;
  d.copy_fixture("faithful");
  ASSERT_EQ(ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "plain.pre"}).status, 0);
  const std::string want = d.read("plain.pre");
  namespace fs = std::filesystem;

  // A link: the file it points to is replaced, also when it does not exist yet.
  fs::create_directory(d.path() / "data");
  fs::create_symlink("data/target.pre", d.path() / "link.pre");
  ASSERT_EQ(ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "link.pre"}).status, 0);
  EXPECT_TRUE(fs::is_symlink(d.path() / "link.pre"));
  EXPECT_EQ(d.read("data/target.pre"), want);

  // A device: written directly, nothing made beside it.
  const RunResult null = ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "/dev/null"});
  ASSERT_EQ(null.status, 0) << null.err;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_FALSE(fs::exists("/dev/null.copies.tsv"));
  EXPECT_NE(null.err.find("1\t3_c1\tcopy\t3\n"), std::string::npos) << null.err;

  // Standard output: the pedigree alone; the messages and the list of copies go aside.
  const RunResult out = ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "-"});
  ASSERT_EQ(out.status, 0) << out.err;
  EXPECT_EQ(out.out, want);
  EXPECT_NE(out.err.find("no loops left, nobody lost"), std::string::npos) << out.err;
  EXPECT_FALSE(d.exists("-"));
  EXPECT_FALSE(d.exists("-.copies.tsv"));
}

}  // namespace
}  // namespace loopcut::testing
