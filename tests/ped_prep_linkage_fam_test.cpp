// The LINKAGE and .fam module (ped_prep/formats/linkage_fam.cpp): files written the ways other
// programs write them come back through ped_prep run as the input with only the documented
// changes, in the input's own line ends and encoding, or are refused in a line.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

std::string replaced(std::string text, char from, const std::string& to) {
  std::string out;
  for (char c : text) out += c == from ? to : std::string(1, c);
  return out;
}

TEST(PedPrepFaithful, EveryLineEndIsReadAndWrittenBack) {
  WorkDir d;
  d.copy_fixture("faithful");
  const RunResult plain = ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "plain.pre"});
  ASSERT_EQ(plain.status, 0) << plain.out << plain.err;
  const std::string want = d.read("plain.pre");
  ASSERT_NE(want.find("_c1"), std::string::npos) << want;

  // The CR-only repro, and the same file with CR LF and LF CR ends.
  d.write("crlf.pre", replaced(d.read("sibmate.pre"), '\n', "\r\n"));
  d.write("lfcr.pre", replaced(d.read("sibmate.pre"), '\n', "\n\r"));
  const std::vector<std::pair<std::string, std::string>> cases{
      {"sibmate_cr.pre", "\r"}, {"crlf.pre", "\r\n"}, {"lfcr.pre", "\n\r"}};
  for (const auto& [file, end] : cases) {
    const RunResult r = ped_prep(d, {"run", "linkage", file, "-o", "out.pre"});
    ASSERT_EQ(r.status, 0) << file << r.out << r.err;
    EXPECT_NE(r.out.find("1 loop in 1 of them"), std::string::npos) << file << r.out;
    EXPECT_EQ(d.read("out.pre"), replaced(want, '\n', end)) << file;
  }
}

TEST(PedPrepFaithful, AByteOrderMarkIsNoPartOfTheFirstIdentifierAndIsWrittenBack) {
  WorkDir d;
  d.copy_fixture("faithful");
  ASSERT_EQ(ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "plain.pre"}).status, 0);
  const RunResult r = ped_prep(d, {"run", "linkage", "bom.pre", "-o", "out.pre"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(d.read("out.pre"), "\xEF\xBB\xBF" + d.read("plain.pre"));
}

TEST(PedPrepFaithful, Utf16IsReadAndWrittenBackInTheSameByteOrder) {
  WorkDir d;
  d.copy_fixture("faithful");
  ASSERT_EQ(ped_prep(d, {"run", "linkage", "sibmate.pre", "-o", "plain.pre"}).status, 0);
  auto utf16 = [](const std::string& ascii, bool little) {
    std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
    for (char c : ascii) {
      out += little ? c : '\0';
      out += little ? '\0' : c;
    }
    return out;
  };
  for (bool little : {true, false}) {
    d.write("in.pre", utf16(d.read("sibmate.pre"), little));
    const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre"});
    ASSERT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(d.read("out.pre"), utf16(d.read("plain.pre"), little));
  }
}

// Two families interleaved, a comment, a blank line, tabs in one family and aligned blanks in
// the other, and sex codes 0, U and 3: only gk's father changes, and kid's copy follows the
// last row of its family.
TEST(PedPrepFaithful, FamRowsKeepTheirOrderSpacingAndSexCodesWithCopiesAfterTheirFamily) {
  WorkDir d;
  d.copy_fixture("faithful");
  const RunResult r = ped_prep(d, {"run", "fam", "mixed.fam", "-o", "out.fam"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(d.read("out.fam"),
            "# exported by a GWAS toolkit\n"
            "F2  x   0   0   1  -9\n"
            "F1\tkid\tdad\tmom\t1\t2\n"
            "F1\tdad\t0\t0\t1\t1\n"
            "F2  y   0   0   2  -9\n"
            "F1\tmom\t0\t0\t0\t1\n"
            "F1\tkid2\tdad\tmom\t2\t2\n"
            "\n"
            "F2  z   x   y   U  -9\n"
            "F1\tgk\tkid_c1\tkid2\t3\t2\n"
            "F1\tkid_c1\t0\t0\t1\t2\n"
            "F2  w   x   y   2  -9\n");
  EXPECT_EQ(d.read("out.fam.copies.tsv"), "family\tid\tkind\toriginal\nF1\tkid_c1\tcopy\tkid\n");
}

TEST(PedPrepFaithful, FilesWithoutLoopsComeBackByteForByte) {
  WorkDir d;
  d.copy_fixture("faithful");
  // A first line of column names is kept as it is.
  d.write("header.fam", "FID IID PAT MAT SEX PHENOTYPE\nF a 0 0 1 1\nF b 0 0 2 1\nF c a b 0 2\n");
  const RunResult header = ped_prep(d, {"run", "fam", "header.fam", "-o", "header_out.fam"});
  ASSERT_EQ(header.status, 0) << header.err;
  EXPECT_NE(header.out.find("note: line 1 is taken as a header line: \"FID IID PAT MAT SEX PHENOTYPE\"\n"),
            std::string::npos)
      << header.out;
  EXPECT_EQ(d.read("header_out.fam"), d.read("header.fam"));
  // Children before their parents; a loop through one-parent records, cut through stand-ins.
  ASSERT_EQ(ped_prep(d, {"run", "fam", "order.fam", "-o", "out.fam"}).status, 0);
  EXPECT_EQ(d.read("out.fam"), d.read("order.fam"));
  const RunResult r = ped_prep(d, {"run", "linkage", "sex0parent.pre", "-o", "out.pre"});
  ASSERT_EQ(r.status, 0) << r.err;
  // The mother of sex 0 keeps her code; only the loop's child changes and the copy is added.
  EXPECT_EQ(d.read("out.pre"), "1 1 0 0 1\n1 2 0 0 0\n1 3 1 2 1\n1 4 1 2 2\n1 5 3_c1 4 1\n1 3_c1 0 0 1\n");
  const RunResult one = ped_prep(d, {"run", "linkage", "onepar_loop.pre", "-o", "one.pre"});
  ASSERT_EQ(one.status, 0) << one.err;
  EXPECT_EQ(d.read("one.pre"),
            "1 1 0 0 1\n1 2 0 0 2\n1 3 1 2 1\n1 4 1 2 2\n1 5 3_c1 0 1\n1 6 0 4 2\n1 7 5 6 1\n"
            "1 3_c1 0 0 1\n");
}

RunResult refused(const WorkDir& d, const std::vector<std::string>& args) {
  const RunResult r = ped_prep(d, args);
  EXPECT_EQ(r.status, 1) << r.out << r.err;
  return r;
}

TEST(PedPrepFaithful, AFileThatIsNotOfItsFormatIsRefusedInOneLine) {
  WorkDir d;
  d.copy_fixture("faithful");
  EXPECT_EQ(refused(d, {"run", "fam", "five.fam", "-o", "out.fam"}).err,
            "ped_prep: five.fam refused, 1 problem:\n"
            "  five.fam: 5 columns: a .fam file has exactly 6 (family, individual, father, mother, "
            "sex, phenotype); line 1: \"F 1 0 0 1\"\n");
  d.write("three.pre", "# a table\na b c\nd e f\n");
  EXPECT_EQ(refused(d, {"run", "linkage", "three.pre", "-o", "out.pre"}).err,
            "ped_prep: three.pre refused, 1 problem:\n"
            "  three.pre: 3 columns: a LINKAGE file needs at least 5 (family, individual, father, "
            "mother, sex); line 2: \"a b c\"\n");
  // A GEDCOM file, where one line happens to read as a LINKAGE record.
  d.write("tree.ged", "0 HEAD\n1 CHAR UTF-8\n0 @I1@ INDI\n1 NAME A /B/\n2 DATE 1 JAN 1 2\n0 TRLR\n");
  EXPECT_EQ(refused(d, {"run", "linkage", "tree.ged", "-o", "out.pre"}).err,
            "ped_prep: tree.ged refused, 1 problem:\n"
            "  tree.ged: 2 columns: a LINKAGE file needs at least 5 (family, individual, father, "
            "mother, sex); line 1: \"0 HEAD\"; 5 of its 6 lines are no records\n");
  // One line of seven among good ones is named with its line.
  d.write("seven.fam", "F a 0 0 1 1\nF b 0 0 2 1 extra\n");
  EXPECT_EQ(refused(d, {"run", "fam", "seven.fam", "-o", "out.fam"}).err,
            "ped_prep: seven.fam refused, 1 problem:\n"
            "  seven.fam:2: 7 columns: a .fam file has exactly 6 (family, individual, father, "
            "mother, sex, phenotype); for further columns give the format linkage: "
            "\"F b 0 0 2 1 extra\"\n");
  // A whole file of more columns (genotypes after the phenotype) is said to be linkage's.
  d.write("geno.fam", "F a 0 0 1 1 A G\nF b 0 0 2 1 A A\n");
  EXPECT_EQ(refused(d, {"run", "fam", "geno.fam", "-o", "out.fam"}).err,
            "ped_prep: geno.fam refused, 1 problem:\n"
            "  geno.fam: 8 columns: a .fam file has exactly 6 (family, individual, father, "
            "mother, sex, phenotype); for further columns give the format linkage; line 1: "
            "\"F a 0 0 1 1 A G\"\n");
  // A UTF-16 file without its byte order mark: the NUL bytes are shown, not written raw.
  d.write("nul.fam", std::string("F\0 \0a\0\n", 7));
  EXPECT_EQ(refused(d, {"run", "fam", "nul.fam", "-o", "out.fam"}).err,
            "ped_prep: nul.fam refused, 1 problem:\n"
            "  nul.fam: 2 columns: a .fam file has exactly 6 (family, individual, father, mother, "
            "sex, phenotype); line 1: \"F\\x00 \\x00a\\x00\"\n");
  for (const char* empty : {"", "# only a comment\n\n"}) {
    d.write("empty.pre", empty);
    EXPECT_EQ(refused(d, {"run", "linkage", "empty.pre", "-o", "out.pre"}).err,
              "ped_prep: empty.pre refused, 1 problem:\n"
              "  empty.pre: no individuals: the file is empty or holds only comments\n");
  }
  d.write("zero.pre", "F 1 0 0 1\nF 0 0 0 2\n");
  EXPECT_EQ(refused(d, {"run", "linkage", "zero.pre", "-o", "out.pre"}).err,
            "ped_prep: zero.pre refused, 1 problem:\n"
            "  zero.pre:2: individual 0 in family F: 0 is the code for a missing parent, not an "
            "identifier\n");
  // A post-makeped file: its parents are there, so no advice to add them, but its format.
  d.write("pedfile.dat", "1 1 0 0 3 0 0 1 0 1 2\n1 2 0 0 3 0 0 2 0 1 1\n1 3 1 2 0 0 0 1 1 2 2\n");
  EXPECT_EQ(refused(d, {"run", "linkage", "pedfile.dat", "-o", "out.pre"}).err,
            "ped_prep: pedfile.dat refused, 1 problem:\n"
            "  pedfile.dat: a post-makeped LINKAGE file (first offspring, sibs, sex and proband in "
            "columns 5 to 9): give the format makeped\n");
  // The same file given as makeped with a data file of two markers: its columns counted after
  // the nine of the format.
  d.write("markers.dat", "M m1\nM m2\n");
  EXPECT_EQ(refused(d, {"run", "makeped", "pedfile.dat", "-o", "out.pre", "--genotypes",
                        "markers.dat"}).err,
            "ped_prep: pedfile.dat refused, 3 problems:\n"
            "  pedfile.dat:1: expected 13 columns (9 + 4 described by markers.dat), found 11 in "
            "\"1 1 0 0 3 0 0 1 0 1 2\"\n"
            "  pedfile.dat:2: expected 13 columns (9 + 4 described by markers.dat), found 11 in "
            "\"1 2 0 0 3 0 0 2 0 1 1\"\n"
            "  pedfile.dat:3: expected 13 columns (9 + 4 described by markers.dat), found 11 in "
            "\"1 3 1 2 0 0 0 1 1 2 2\"\n");
  // A LINKAGE file where a pedigree file of the chain belongs.
  EXPECT_EQ(refused(d, {"check", "twofam.pre"}).err,
            "ped_prep: twofam.pre:1: expected a header line (such as \" ped id fa mo sex kod\"), "
            "found a record: a pedigree file of the chain starts with a header line in "
            "\"1 1 0 0 1\"\n");
  EXPECT_FALSE(d.exists("out.pre"));
  EXPECT_FALSE(d.exists("out.fam"));
}

TEST(PedPrepFaithful, ParentsWithoutARecordAreAddedOnRequest) {
  WorkDir d;
  d.copy_fixture("faithful");
  EXPECT_EQ(refused(d, {"run", "fam", "orphan.fam", "-o", "out.fam"}).err,
            "ped_prep: orphan.fam refused, 2 problems:\n"
            "  orphan.fam:1: father dad of family F has no record (named by kid)\n"
            "  orphan.fam:1: mother mom of family F has no record (named by kid)\n"
            "give --add-missing-parents to add a founder record for each parent named without a "
            "record of its own\n");
  const RunResult r =
      ped_prep(d, {"run", "fam", "orphan.fam", "-o", "out.fam", "--add-missing-parents"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(d.read("out.fam"), "F kid dad mom 1 2\nF dad 0 0 1 -9\nF mom 0 0 2 -9\n");
  EXPECT_EQ(d.read("out.fam.copies.tsv"),
            "family\tid\tkind\toriginal\nF\tdad\tadded father\tkid\nF\tmom\tadded mother\tkid\n");
  // Another program's missing code is never made a parent: the refusal names the code.
  d.write("codes.fam", "F a 0 0 2 1\nF kid x -9 1 2\nF kid2 NA a 2 2\n");
  EXPECT_EQ(refused(d, {"run", "fam", "codes.fam", "-o", "out.fam", "--add-missing-parents"}).err,
            "ped_prep: codes.fam refused, 3 problems:\n"
            "  codes.fam:2: father x of family F has no record (named by kid)\n"
            "  codes.fam:2: mother -9 of family F has no record (named by kid)\n"
            "  codes.fam:3: father NA of family F has no record (named by kid2)\n"
            "the parent columns hold \"x\", \"-9\", \"NA\": in LINKAGE and .fam files 0 is the "
            "code for a missing parent\n");
}

// Mother 1's children 4 and 5 have unknown fathers, of alleles 3 and 4 that the father 2 of
// her son 3 has not: one written father for both would make them full sibs and their alleles
// impossible for the likelihood program. Each gets a stand-in father of its own.
TEST(PedPrepMakeped, ChildrenOfOneKnownParentEachGetTheirOwnStandIn) {
  WorkDir d;
  d.write("half.pre",
          "1 1 0 0 2  1 2\n1 2 0 0 1  1 1\n1 3 2 1 1  1 1\n1 4 0 1 1  3 3\n1 5 0 1 2  4 4\n"
          "1 6 3 5 1 1 4\n1 7 3 5 2 1 4\n");
  const RunResult r = ped_prep(d, {"run", "linkage", "half.pre", "-o", "out.pre", "--to",
                                   "makeped", "--no-improve"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(d.read("out.pre"),
            "1 1 0 0 3 0 0 2 0  1 2\n"
            "1 2 0 0 3 0 0 1 0  1 1\n"
            "1 3 2 1 0 0 4 1 2  1 1\n"
            "1 4 8 1 0 0 5 1 0  3 3\n"
            "1 5 9 1 6 0 0 2 0  4 4\n"
            "1 6 10 5 0 7 7 1 0 1 4\n"
            "1 7 10 5 0 0 0 2 0 1 4\n"
            "1 8 0 0 4 0 0 1 0 0 0\n"
            "1 9 0 0 5 0 0 1 0 0 0\n"
            "1 10 0 0 6 0 0 1 2  1 1\n");
  EXPECT_EQ(d.read("out.pre.copies.tsv"),
            "family\tid\tkind\toriginal\n1\t8\tadded father\t1\n1\t9\tadded father\t1\n"
            "1\t10\tcopy\t3\n");
}

}  // namespace
}  // namespace loopcut::testing
