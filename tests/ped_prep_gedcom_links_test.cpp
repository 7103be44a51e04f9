// GEDCOM lines that name no record (CHIL, HUSB, WIFE, FAMC, FAMS): read as absent and written
// back as they were, with one note; refused one by one with --strict.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

// Siblings I3 and I4 marry: one loop, through records that all exist. Beside it a line of each
// kind naming no record: I3's FAMS @F9@ (before the FAMS that moves, whose NOTE moves with it),
// I4's FAMS @F8@, I5's FAMC @F7@ marked as its family of birth, F1's CHIL @I90@ with a line
// under it, F2's second HUSB @I91@, F3's WIFE @I93@.
const char* const SIBLINGS =
    "0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n"
    "0 @I1@ INDI\n1 NAME Father /A/\n1 SEX M\n1 FAMS @F1@\n"
    "0 @I2@ INDI\n1 NAME Mother /B/\n1 SEX F\n1 FAMS @F1@\n"
    "0 @I3@ INDI\n1 NAME Son /A/\n1 SEX M\n1 FAMC @F1@\n1 FAMS @F9@\n"
    "1 FAMS @F2@\n2 NOTE first marriage\n"
    "0 @I4@ INDI\n1 NAME Daughter /A/\n1 SEX F\n1 FAMC @F1@\n1 FAMS @F2@\n1 FAMS @F8@\n"
    "0 @I5@ INDI\n1 NAME Grandson /A/\n1 SEX M\n1 FAMC @F7@\n2 PEDI birth\n1 FAMC @F2@\n"
    "1 FAMS @F3@\n"
    "0 @I6@ INDI\n1 NAME Greatgrandson /A/\n1 SEX M\n1 FAMC @F3@\n"
    "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I90@\n2 _FREL Natural\n"
    "1 CHIL @I4@\n"
    "0 @F2@ FAM\n1 HUSB @I91@\n1 HUSB @I3@\n1 WIFE @I4@\n1 CHIL @I5@\n"
    "0 @F3@ FAM\n1 HUSB @I5@\n1 WIFE @I93@\n1 CHIL @I6@\n"
    "0 TRLR\n";

// What the run makes of it: I3's offspring move to its copy, with the FAMS line of F2 and the
// NOTE under it; every line naming no record stays where it was.
const char* const SIBLINGS_CUT =
    "0 HEAD\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n"
    "1 NOTE pedigree loops broken: the offspring of 1 individual moved to 1 copy (INDI records "
    "with a NOTE naming the original)\n"
    "0 @I1@ INDI\n1 NAME Father /A/\n1 SEX M\n1 FAMS @F1@\n"
    "0 @I2@ INDI\n1 NAME Mother /B/\n1 SEX F\n1 FAMS @F1@\n"
    "0 @I3@ INDI\n1 NAME Son /A/\n1 SEX M\n1 FAMC @F1@\n1 FAMS @F9@\n"
    "0 @I3_c1@ INDI\n1 NAME Son /A/\n1 SEX M\n1 NOTE copy of I3, made to break a pedigree loop\n"
    "1 FAMS @F2@\n2 NOTE first marriage\n"
    "0 @I4@ INDI\n1 NAME Daughter /A/\n1 SEX F\n1 FAMC @F1@\n1 FAMS @F2@\n1 FAMS @F8@\n"
    "0 @I5@ INDI\n1 NAME Grandson /A/\n1 SEX M\n1 FAMC @F7@\n2 PEDI birth\n1 FAMC @F2@\n"
    "1 FAMS @F3@\n"
    "0 @I6@ INDI\n1 NAME Greatgrandson /A/\n1 SEX M\n1 FAMC @F3@\n"
    "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I90@\n2 _FREL Natural\n"
    "1 CHIL @I4@\n"
    "0 @F2@ FAM\n1 HUSB @I91@\n1 HUSB @I3_c1@\n1 WIFE @I4@\n1 CHIL @I5@\n"
    "0 @F3@ FAM\n1 HUSB @I5@\n1 WIFE @I93@\n1 CHIL @I6@\n"
    "0 TRLR\n";

const char* const SIBLINGS_NOTE =
    "note: 6 links name no record (first: @I3@ is a spouse in family @F9@); they are kept as "
    "they are and read as absent\n";

const char* const SIBLINGS_PROBLEMS =
    "ped_prep: siblings.ged refused, 6 problems:\n"
    "  siblings.ged:13: @I3@ is a spouse in family @F9@, which has no FAM record\n"
    "  siblings.ged:20: @I4@ is a spouse in family @F8@, which has no FAM record\n"
    "  siblings.ged:26: @I5@ names family @F7@, which has no FAM record\n"
    "  siblings.ged:37: family @F1@ lists child @I90@, which has no INDI record\n"
    "  siblings.ged:44: family @F2@ lists husband @I91@, which has no INDI record\n"
    "  siblings.ged:49: family @F3@ lists wife @I93@, which has no INDI record\n";

TEST(PedPrepGedcomDanglingLinks, AFileWithoutLoopsComesBackByteForByteWithOneNote) {
  WorkDir d;
  // A line of each kind names no record. F1 has a child and two HUSB, one of them without a
  // record: one father. I2's family of birth is F2, as its FAMC marked birth names no family;
  // F2's only parent has no record.
  const std::string tree =
      "0 HEAD\n1 CHAR UTF-8\n"
      "0 @I1@ INDI\n1 SEX M\n1 FAMS @F1@\n1 FAMS @F9@\n"
      "0 @I2@ INDI\n1 SEX F\n1 FAMC @F7@\n2 PEDI birth\n1 FAMS @F1@\n"
      "0 @I3@ INDI\n1 FAMC @F1@\n"
      "0 @F1@ FAM\n1 HUSB @I1@\n1 HUSB @I91@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I90@\n"
      "0 @F2@ FAM\n1 WIFE @I93@\n1 CHIL @I2@\n"
      "0 TRLR\n";
  d.write("tree.ged", tree);
  const RunResult r = ped_prep(d, {"run", "gedcom", "tree.ged", "-o", "out.ged"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n', r.out.find('\n') + 1) + 1),
            "note: 5 links name no record (first: @I1@ is a spouse in family @F9@); they are "
            "kept as they are and read as absent\n"
            "tree.ged: 3 individuals in 1 pedigree, 0 loops in 0 of them, 0 individuals on "
            "loops\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(d.read("out.ged"), tree);
  EXPECT_EQ(d.read("out.ged.copies.tsv"), "family\tid\tkind\toriginal\n");

  // One such line: the note in the singular; import says it too.
  d.write("one.ged", "0 HEAD\n0 @I1@ INDI\n0 @F1@ FAM\n1 CHIL @I1@\n1 CHIL @I2@\n0 TRLR\n");
  const std::string one =
      "note: 1 link names no record (first: family @F1@ lists child @I2@); it is kept as it is "
      "and read as absent\n";
  const RunResult o = ped_prep(d, {"run", "gedcom", "one.ged", "-o", "one_out.ged"});
  ASSERT_EQ(o.status, 0) << o.out << o.err;
  EXPECT_EQ(o.out.substr(0, o.out.find('\n') + 1), one);
  EXPECT_EQ(d.read("one_out.ged"), d.read("one.ged"));
  const RunResult i = ped_prep(d, {"import", "gedcom", "one.ged", "-o", "imp"});
  ASSERT_EQ(i.status, 0) << i.out << i.err;
  EXPECT_EQ(i.out.substr(0, i.out.find('\n') + 1), one);
}

TEST(PedPrepGedcomDanglingLinks, TheLoopThroughRecordsThatExistIsBrokenAndOnlyItsLinksMove) {
  WorkDir d;
  d.write("siblings.ged", SIBLINGS);
  const RunResult r = ped_prep(d, {"run", "gedcom", "siblings.ged", "-o", "out.ged"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(r.out.substr(0, r.out.find('\n') + 1), SIBLINGS_NOTE);
  EXPECT_NE(r.out.find("siblings.ged: 6 individuals in 1 pedigree, 1 loop in 1 of them, 2 "
                       "individuals on loops\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost\n"), std::string::npos) << r.out;
  EXPECT_EQ(d.read("out.ged"), SIBLINGS_CUT);
  EXPECT_EQ(d.read("out.ged.copies.tsv"), "family\tid\tkind\toriginal\n\tI3_c1\tcopy\tI3\n");

  // The output read again: the same lines name no record, and no loop is left.
  const RunResult again = ped_prep(d, {"import", "gedcom", "out.ged", "-o", "again"});
  ASSERT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out.substr(0, again.out.find('\n', again.out.find('\n') + 1) + 1),
            "note: 6 links name no record (first: @I3@ is a spouse in family @F9@); they are "
            "kept as they are and read as absent\n"
            "out.ged: 7 individuals in 1 pedigree, 0 loops in 0 of them, 0 individuals on "
            "loops\n");
}

TEST(PedPrepGedcomDanglingLinks, StrictRefusesEveryLineThatNamesNoRecord) {
  WorkDir d;
  d.write("siblings.ged", SIBLINGS);
  const RunResult r = ped_prep(d, {"run", "gedcom", "siblings.ged", "-o", "out.ged", "--strict"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, SIBLINGS_PROBLEMS);
  EXPECT_FALSE(d.exists("out.ged"));
  const RunResult i = ped_prep(d, {"import", "gedcom", "siblings.ged", "--strict", "-o", "imp"});
  EXPECT_EQ(i.status, 1);
  EXPECT_EQ(i.err, SIBLINGS_PROBLEMS);
  EXPECT_FALSE(d.exists("imp"));

  // A file whose every line names a record passes --strict as it is.
  d.write("clean.ged", "0 HEAD\n0 @I1@ INDI\n1 FAMS @F1@\n0 @F1@ FAM\n1 HUSB @I1@\n0 TRLR\n");
  const RunResult c = ped_prep(d, {"run", "gedcom", "clean.ged", "-o", "clean_out.ged", "--strict"});
  ASSERT_EQ(c.status, 0) << c.err;
  EXPECT_EQ(d.read("clean_out.ged"), d.read("clean.ged"));

  // Other formats have no such lines: --strict is a usage error there.
  d.write("tree.pre", "F 1 0 0 1\n");
  for (const std::string command : {"run", "import"}) {
    const RunResult u =
        ped_prep(d, {command, "linkage", "tree.pre", "-o", "out_" + command, "--strict"});
    EXPECT_EQ(u.status, 2) << command;
    EXPECT_EQ(u.err,
              "ped_prep: --strict is for gedcom files\nTry 'ped_prep --help' for more "
              "information.\n")
        << command;
  }
}

}  // namespace
}  // namespace loopcut::testing
