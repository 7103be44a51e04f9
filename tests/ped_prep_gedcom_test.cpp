// ped_prep run on GEDCOM: the file comes back record for record, with only the links that move
// to the copies changed, in the input's line ends and encoding; or it is refused in a few lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/text_file.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

// Runs `import` on a written file: what it says of the loops the file still has.
std::string loops_after_reimport(const WorkDir& d, const std::string& format,
                                 const std::string& file) {
  const RunResult imp = ped_prep(d, {"import", format, file, "-o", "again"});
  EXPECT_EQ(imp.status, 0) << imp.err;
  return imp.out;
}

std::string replaced(const std::string& text, char from, const std::string& to) {
  std::string out;
  for (char c : text) out += c == from ? to : std::string(1, c);
  return out;
}

std::string utf16(const std::string& ascii, bool little) {
  std::string out = little ? "\xFF\xFE" : "\xFE\xFF";
  for (char c : ascii) {
    out += little ? c : '\0';
    out += little ? '\0' : c;
  }
  return out;
}

// `import` into a fresh directory imp.
RunResult import_gedcom(const WorkDir& d, const std::string& file) {
  std::filesystem::remove_all(d.path() / "imp");
  return ped_prep(d, {"import", "gedcom", file, "-o", "imp"});
}

// The parents of each individual in the chain's file that `import` wrote, by label.
std::map<std::string, std::pair<std::string, std::string>> imported_parents(const WorkDir& d) {
  std::istringstream in(d.read("imp/pedigree.ped"));
  std::string line;
  std::getline(in, line);
  std::map<int, std::string> label_of{{0, ""}};
  std::vector<std::pair<std::string, std::pair<int, int>>> rows;
  while (std::getline(in, line)) {
    std::istringstream w(line);
    int ped = 0, id = 0, fa = 0, mo = 0, sex = 0;
    std::string label;
    w >> ped >> id >> fa >> mo >> sex >> label;
    label_of[id] = label;
    rows.push_back({label, {fa, mo}});
  }
  std::map<std::string, std::pair<std::string, std::string>> out;
  for (const auto& [label, p] : rows) out[label] = {label_of[p.first], label_of[p.second]};
  return out;
}

TEST(PedPrepGedcom, FilesWithoutLoopsComeBackByteForByte) {
  WorkDir d;
  d.copy_fixture("gedcom");
  // One-parent families stay apart, a family without parents keeps its children, events and
  // notes; an adoptive family and a childless family of two husbands are no obstacle.
  for (const std::string file : {"merge.ged", "adopted.ged", "twohusb.ged"}) {
    const RunResult r = ped_prep(d, {"run", "gedcom", file, "-o", "out.ged"});
    ASSERT_EQ(r.status, 0) << file << r.out << r.err;
    EXPECT_EQ(d.read("out.ged"), d.read(file)) << file;
    EXPECT_EQ(d.read("out.ged.copies.tsv"), "family\tid\tkind\toriginal\n") << file;
  }
  // A file that stops without a line end after its last line, and one with a ^Z end-of-file
  // mark after the trailer, come back that way.
  const std::string merge = d.read("merge.ged");
  d.write("open.ged", replaced(merge.substr(0, merge.size() - 1), '\n', "\r\n"));
  d.write("eof.ged", merge + "\x1A");
  for (const std::string file : {"open.ged", "eof.ged"}) {
    const RunResult r = ped_prep(d, {"run", "gedcom", file, "-o", "out.ged"});
    ASSERT_EQ(r.status, 0) << file << r.out << r.err;
    EXPECT_EQ(d.read("out.ged"), d.read(file)) << file;
  }
}

TEST(PedPrepGedcom, ALoopIsOpenedByMovingTheBreakersLinksOnly) {
  WorkDir d;
  d.copy_fixture("gedcom");
  const std::string want = d.read("sibmate_cut.ged");
  const RunResult r = ped_prep(d, {"run", "gedcom", "sibmate.ged", "-o", "out.ged"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_EQ(d.read("out.ged"), want);
  EXPECT_EQ(d.read("out.ged.copies.tsv"), "family\tid\tkind\toriginal\n\tI3_c1\tcopy\tI3\n");

  // The same file with other line ends and in UTF-16 (with or without a byte order mark) comes
  // back in its own form.
  d.write("crlf.ged", replaced(d.read("sibmate.ged"), '\n', "\r\n"));
  for (bool little : {true, false}) {
    const std::string text = utf16(d.read("sibmate.ged"), little);
    d.write(little ? "le.ged" : "be.ged", text);
    d.write(little ? "le_nobom.ged" : "be_nobom.ged", text.substr(2));
  }
  const std::vector<std::pair<std::string, std::string>> cases{
      {"sibmate_cr.ged", replaced(want, '\n', "\r")},
      {"sibmate_lfcr.ged", replaced(want, '\n', "\n\r")},
      {"crlf.ged", replaced(want, '\n', "\r\n")},
      {"le.ged", utf16(want, true)},
      {"be.ged", utf16(want, false)},
      {"le_nobom.ged", utf16(want, true).substr(2)},
      {"be_nobom.ged", utf16(want, false).substr(2)}};
  for (const auto& [file, expected] : cases) {
    const RunResult c = ped_prep(d, {"run", "gedcom", file, "-o", "out.ged"});
    ASSERT_EQ(c.status, 0) << file << c.out << c.err;
    EXPECT_NE(c.out.find("1 loop in 1 of them"), std::string::npos) << file << c.out;
    EXPECT_EQ(d.read("out.ged"), expected) << file;
  }
  // Without a line end after the last line, the output stops without one too.
  d.write("open.ged", d.read("sibmate.ged").substr(0, d.read("sibmate.ged").size() - 1));
  ASSERT_EQ(ped_prep(d, {"run", "gedcom", "open.ged", "-o", "out.ged"}).status, 0);
  EXPECT_EQ(d.read("out.ged"), want.substr(0, want.size() - 1));
}

TEST(PedPrepGedcom, LinksWithMoreThanOneBlankBeforeThePointerKeepTheLoopAndTheirLines) {
  WorkDir d;
  d.copy_fixture("gedcom");
  // Every link of the loop, on both sides, with a run of blanks or a tab before its pointer.
  auto with_blanks = [](std::string text) {
    for (const auto& [from, to] : std::vector<std::pair<std::string, std::string>>{
             {"1 FAMC @", "1 FAMC  @"},
             {"1 FAMS @", "1 FAMS   @"},
             {"1 HUSB @", "1 HUSB \t@"},
             {"1 WIFE @", "1 WIFE  @"},
             {"1 CHIL @", "1 CHIL  @"}})
      for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at))
        text.replace(at, from.size(), to);
    return text;
  };
  d.write("spaced.ged", with_blanks(d.read("sibmate.ged")));
  const RunResult r = ped_prep(d, {"run", "gedcom", "spaced.ged", "-o", "out.ged"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("1 loop in 1 of them"), std::string::npos) << r.out;
  EXPECT_EQ(d.read("out.ged"), with_blanks(d.read("sibmate_cut.ged")));
  EXPECT_EQ(d.read("out.ged.copies.tsv"), "family\tid\tkind\toriginal\n\tI3_c1\tcopy\tI3\n");
}

TEST(PedPrepGedcom, UnknownSexEventsAndTheHeadersNoteStayAsTheyWere) {
  WorkDir d;
  // The breaker I3 has sex U, its sister none; the header has a NOTE of its own and a SUBM. The
  // copy takes neither I3's links nor its record identifiers.
  const std::string in =
      "0 HEAD\n1 SOUR Other\n2 VERS 3.1\n1 SUBM @U1@\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n"
      "1 NOTE exported for a test\n"
      "0 @U1@ SUBM\n1 NAME Someone\n"
      "0 @I1@ INDI\n1 NAME Father //\n1 SEX M\n1 FAMS @F1@\n"
      "0 @I2@ INDI\n1 NAME Mother //\n1 SEX F\n1 FAMS @F1@\n"
      "0 @I3@ INDI\n1 NAME Brother //\n1 SEX U\n1 FAMS @F2@\n2 NOTE second marriage\n"
      "1 FAMC @F1@\n1 BIRT\n2 DATE 1900\n1 _UID 6A1F\n1 RIN 33\n"
      "0 @I4@ INDI\n1 NAME Sister //\n1 FAMC @F1@\n1 FAMS @F2@\n"
      "0 @I5@ INDI\n1 NAME Child //\n1 SEX M\n1 FAMC @F2@\n"
      "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I4@\n"
      "0 @F2@ FAM\n1 HUSB @I3@\n1 WIFE @I4@\n1 MARR\n2 DATE 1925\n1 CHIL @I5@\n1 NOTE kept\n"
      "0 TRLR\n";
  d.write("in.ged", in);
  const RunResult r = ped_prep(d, {"run", "gedcom", "in.ged", "-o", "out.ged"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string want =
      "0 HEAD\n1 SOUR Other\n2 VERS 3.1\n1 SUBM @U1@\n1 GEDC\n2 VERS 5.5.1\n1 CHAR UTF-8\n"
      "1 NOTE exported for a test\n"
      "0 @U1@ SUBM\n1 NAME Someone\n"
      "0 @I1@ INDI\n1 NAME Father //\n1 SEX M\n1 FAMS @F1@\n"
      "0 @I2@ INDI\n1 NAME Mother //\n1 SEX F\n1 FAMS @F1@\n"
      "0 @I3@ INDI\n1 NAME Brother //\n1 SEX U\n1 FAMC @F1@\n1 BIRT\n2 DATE 1900\n"
      "1 _UID 6A1F\n1 RIN 33\n"
      "0 @I3_c1@ INDI\n1 NAME Brother //\n1 SEX U\n1 BIRT\n2 DATE 1900\n"
      "1 NOTE copy of I3, made to break a pedigree loop\n1 FAMS @F2@\n2 NOTE second marriage\n"
      "0 @I4@ INDI\n1 NAME Sister //\n1 FAMC @F1@\n1 FAMS @F2@\n"
      "0 @I5@ INDI\n1 NAME Child //\n1 SEX M\n1 FAMC @F2@\n"
      "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I4@\n"
      "0 @F2@ FAM\n1 HUSB @I3_c1@\n1 WIFE @I4@\n1 MARR\n2 DATE 1925\n1 CHIL @I5@\n1 NOTE kept\n"
      "0 TRLR\n";
  EXPECT_EQ(d.read("out.ged"), want);
}

TEST(PedPrepGedcom, ABreakersFamsLineMovesToItsCopyWithTheLinesUnderIt) {
  WorkDir d;
  // Brother I3 and sister I4 marry; I3 is the breaker. The lines under its FAMS of F2 (a note
  // with a continuation, a source) go with the line to the copy; a blank line among them and
  // the FAMS of F3, whose children stay, stay with the original.
  d.write("in.ged",
          "0 HEAD\n"
          "0 @I1@ INDI\n1 SEX M\n0 @I2@ INDI\n1 SEX F\n"
          "0 @I3@ INDI\n1 SEX M\n1 FAMC @F1@\n1 FAMS @F2@\n2 NOTE met at home\n3 CONT in 1920\n"
          "\n2 SOUR @S1@\n1 FAMS @F3@\n2 NOTE later\n"
          "0 @I4@ INDI\n1 SEX F\n1 FAMC @F1@\n0 @I5@ INDI\n0 @I6@ INDI\n"
          "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I4@\n"
          "0 @F2@ FAM\n1 HUSB @I3@\n1 WIFE @I4@\n1 CHIL @I5@\n"
          "0 @F3@ FAM\n1 HUSB @I3@\n1 CHIL @I6@\n0 @S1@ SOUR\n0 TRLR\n");
  const RunResult r = ped_prep(d, {"run", "gedcom", "in.ged", "-o", "out.ged"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  const std::string out = d.read("out.ged");
  EXPECT_NE(out.find("0 @I3@ INDI\n1 SEX M\n1 FAMC @F1@\n\n1 FAMS @F3@\n2 NOTE later\n"
                     "0 @I3_c1@ INDI\n1 SEX M\n1 NOTE copy of I3, made to break a pedigree loop\n"
                     "1 FAMS @F2@\n2 NOTE met at home\n3 CONT in 1920\n2 SOUR @S1@\n0 @I4@ INDI\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("0 @F2@ FAM\n1 HUSB @I3_c1@\n"), std::string::npos) << out;
  EXPECT_NE(out.find("0 @F3@ FAM\n1 HUSB @I3@\n"), std::string::npos) << out;
}

TEST(PedPrepGedcom, TheFamilyOfBirthIsToldByPedigreeLinkage) {
  WorkDir d;
  d.copy_fixture("gedcom");
  ASSERT_EQ(import_gedcom(d, "adopted.ged").status, 0);
  EXPECT_EQ(imported_parents(d)["I3"].first, "I1") << "PEDI birth";

  // A family without PEDI beside one marked adopted, and one named by an adoption event.
  const std::string people =
      "0 HEAD\n1 CHAR UTF-8\n"
      "0 @I1@ INDI\n1 SEX M\n0 @I2@ INDI\n1 SEX F\n0 @I4@ INDI\n1 SEX M\n"
      "0 @I3@ INDI\n1 SEX F\n1 FAMC @F2@\n2 PEDI Adopted\n1 FAMC @F1@\n"
      "0 @I5@ INDI\n1 SEX M\n1 FAMC @F2@\n1 FAMC @F1@\n1 ADOP\n2 FAMC @F2@\n3 ADOP HUSB\n"
      "0 @I6@ INDI\n0 @I7@ INDI\n1 FAMC @F2@\n2 _FREL Step\n1 FAMC @F1@\n"
      "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I5@\n"
      "1 CHIL @I6@\n2 _FREL Natural\n2 _MREL Natural\n"
      "0 @F2@ FAM\n1 HUSB @I4@\n1 CHIL @I6@\n2 _FREL Adopted\n1 CHIL @I3@\n1 CHIL @I5@\n";
  d.write("two.ged", people + "0 TRLR\n");
  const RunResult r = import_gedcom(d, "two.ged");
  ASSERT_EQ(r.status, 0) << r.err;
  auto parents = imported_parents(d);
  EXPECT_EQ(parents["I3"], std::make_pair(std::string("I1"), std::string("I2")));
  EXPECT_EQ(parents["I5"], std::make_pair(std::string("I1"), std::string("I2")));
  EXPECT_EQ(parents["I6"], std::make_pair(std::string("I1"), std::string("I2")));
  EXPECT_EQ(parents["I7"], std::make_pair(std::string("I1"), std::string("I2")));

  // Two families and no word on which is the family of birth: refused once, with the remedy.
  d.write("ambiguous.ged",
          "0 HEAD\n0 @I1@ INDI\n1 SEX M\n0 @I4@ INDI\n1 SEX M\n"
          "0 @I3@ INDI\n1 FAMC @F1@\n1 FAMC @F2@\n"
          "0 @F1@ FAM\n1 HUSB @I1@\n1 CHIL @I3@\n0 @F2@ FAM\n1 HUSB @I4@\n1 CHIL @I3@\n0 TRLR\n");
  const RunResult a = ped_prep(d, {"run", "gedcom", "ambiguous.ged", "-o", "out.ged"});
  EXPECT_EQ(a.status, 1);
  EXPECT_EQ(a.err, "ped_prep: ambiguous.ged refused, 1 problem:\n"
                   "  ambiguous.ged:6: @I3@ is a child of @F1@ and @F2@, and the file does not say "
                   "which is the family of birth: add \"2 PEDI birth\" under its FAMC line of that "
                   "family, or \"2 PEDI adopted\" (foster, sealing) under the others\n");
  EXPECT_FALSE(d.exists("out.ged"));
}

TEST(PedPrepGedcom, PartnersMatterOnlyAsParentsOfChildren) {
  WorkDir d;
  // Two husbands of a family with a child: refused, as the child's father is unknown.
  d.write("two.ged",
          "0 HEAD\n0 @I1@ INDI\n1 SEX M\n0 @I2@ INDI\n1 SEX M\n0 @I3@ INDI\n"
          "0 @F1@ FAM\n1 HUSB @I1@\n1 HUSB @I2@\n1 CHIL @I3@\n0 TRLR\n");
  const RunResult r = ped_prep(d, {"run", "gedcom", "two.ged", "-o", "out.ged"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("two.ged:7: family @F1@ names 2 husbands, @I1@ and @I2@, and has children"),
            std::string::npos)
      << r.err;

  // Two women as HUSB and WIFE of a family with a child: the roles decide inside the chain.
  d.write("women.ged",
          "0 HEAD\n0 @I1@ INDI\n1 SEX F\n0 @I2@ INDI\n1 SEX F\n0 @I3@ INDI\n"
          "0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n0 TRLR\n");
  const RunResult w = ped_prep(d, {"run", "gedcom", "women.ged", "-o", "out.ged"});
  ASSERT_EQ(w.status, 0) << w.err;
  EXPECT_NE(w.out.find("note: 1 parent's SEX is not that of the role (HUSB or WIFE)"),
            std::string::npos)
      << w.out;
  EXPECT_EQ(d.read("out.ged"), d.read("women.ged"));

  // GEDCOM 7's @VOID@ stands for nobody: the child has a mother only.
  d.write("void.ged",
          "0 HEAD\n1 GEDC\n2 VERS 7.0\n0 @I2@ INDI\n1 SEX F\n0 @I3@ INDI\n1 FAMC @F1@\n"
          "0 @F1@ FAM\n1 HUSB @VOID@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @VOID@\n0 TRLR\n");
  const RunResult v = ped_prep(d, {"run", "gedcom", "void.ged", "-o", "out.ged"});
  ASSERT_EQ(v.status, 0) << v.err;
  EXPECT_NE(v.out.find("2 individuals in 1 pedigree"), std::string::npos) << v.out;
  EXPECT_EQ(d.read("out.ged"), d.read("void.ged"));

  // GEDCOM 7 cross-references are upper case, and so is the copy's suffix.
  d.write("seven.ged",
          "0 HEAD\n1 GEDC\n2 VERS 7.0\n0 @I1@ INDI\n1 SEX M\n0 @I2@ INDI\n1 SEX F\n"
          "0 @I3@ INDI\n1 SEX M\n1 FAMC @F1@\n2 PEDI BIRTH\n0 @I4@ INDI\n1 SEX F\n"
          "0 @I5@ INDI\n0 @F1@ FAM\n1 HUSB @I1@\n1 WIFE @I2@\n1 CHIL @I3@\n1 CHIL @I4@\n"
          "0 @F2@ FAM\n1 HUSB @I3@\n1 WIFE @I4@\n1 CHIL @I5@\n0 TRLR\n");
  const RunResult s = ped_prep(d, {"run", "gedcom", "seven.ged", "-o", "out.ged"});
  ASSERT_EQ(s.status, 0) << s.out << s.err;
  EXPECT_NE(d.read("out.ged").find("0 @I3_C1@ INDI\n"), std::string::npos) << d.read("out.ged");
}

TEST(PedPrepGedcom, AFileThatIsNoGedcomIsSaidOnce) {
  WorkDir d;
  std::string page = "<!DOCTYPE html>\n<html><head><title>tree.ged</title></head>\n<body>\n";
  for (int i = 0; i < 2000; ++i) page += "<p>0 @I" + std::to_string(i) + "@ INDI</p>\n";
  page += "</body></html>\n";
  d.write("tree.ged", page);
  const RunResult r = ped_prep(d, {"run", "gedcom", "tree.ged", "-o", "out.ged"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "ped_prep: tree.ged refused, 1 problem:\n"
                   "  tree.ged:1: not a GEDCOM file: no 0 HEAD\n");
  EXPECT_FALSE(d.exists("out.ged"));
}

// ---- Round trip of generated pedigrees ----

struct Record {
  std::string tag, xref;
  std::vector<std::string> lines;
};

std::string xref_of(const std::string& line) {
  const std::size_t a = line.find('@'), b = line.find('@', a + 1);
  return a == std::string::npos || b == std::string::npos ? "" : line.substr(a + 1, b - a - 1);
}

int level_of(const std::string& line) { return line.empty() ? -1 : line[0] - '0'; }

std::vector<Record> records(const std::vector<std::string>& lines) {
  std::vector<Record> out;
  for (const std::string& line : lines) {
    if (level_of(line) == 0) {
      std::istringstream w(line);
      std::string level, a, b;
      w >> level >> a >> b;
      out.push_back(a[0] == '@' ? Record{b, xref_of(line), {}} : Record{a, "", {}});
    }
    out.back().lines.push_back(line);
  }
  return out;
}

// A pedigree in GEDCOM: founders, then generations whose couples marry in from outside
// (no loop) or among the descendants (loops). Some families have one parent or none, some
// links are given on one side only, some sexes are unknown, some children are also adopted.
std::string generated_gedcom(unsigned seed, bool loops) {
  std::mt19937 rng(seed);
  auto chance = [&](int percent) { return static_cast<int>(rng() % 100) < percent; };
  struct Individual {
    std::string sex;  // M, F, U or empty for no SEX line
    int role = 0;     // 1 husband, 2 wife, 0 not yet a parent
    std::vector<std::string> famc, fams;
    std::string pedi_birth;  // family of birth when the child is also adopted
  };
  struct Family {
    int husband = -1, wife = -1;
    std::vector<int> children;
    bool adoptive = false;
  };
  std::vector<Individual> people;
  std::vector<Family> families;
  auto person = [&]() {
    Individual p;
    const int s = static_cast<int>(rng() % 10);
    p.sex = s < 4 ? "M" : s < 8 ? "F" : s == 8 ? "U" : "";
    people.push_back(p);
    return static_cast<int>(people.size()) - 1;
  };
  auto can_be = [&](int i, int role) {
    const Individual& p = people[i];
    if (p.role && p.role != role) return false;
    return role == 1 ? p.sex != "F" : p.sex != "M";
  };
  std::vector<int> generation;
  for (int i = 0; i < 6; ++i) generation.push_back(person());
  for (int g = 0; g < 4; ++g) {
    std::vector<int> next;
    std::shuffle(generation.begin(), generation.end(), rng);
    for (std::size_t k = 0; k < generation.size(); ++k) {
      const int a = generation[k];
      Family f;
      const int role = can_be(a, 1) ? 1 : 2;
      if (!can_be(a, role)) continue;
      int b = -1;
      if (loops && k + 1 < generation.size() && chance(60)) {
        for (std::size_t j = k + 1; j < generation.size() && b < 0; ++j)
          if (can_be(generation[j], 3 - role)) b = generation[j];
      }
      if (b < 0 && !chance(15)) {
        b = person();
        if (!can_be(b, 3 - role)) people[b].sex = role == 1 ? "F" : "M";
      }
      (role == 1 ? f.husband : f.wife) = a;
      if (b >= 0) (role == 1 ? f.wife : f.husband) = b;
      people[a].role = role;
      if (b >= 0) people[b].role = 3 - role;
      const int children = 1 + static_cast<int>(rng() % 3);
      for (int c = 0; c < children; ++c) f.children.push_back(person());
      families.push_back(f);
      for (int c : f.children) next.push_back(c);
    }
    if (chance(20)) {
      // A family without parents, whose children start their own lines.
      Family f;
      f.children = {person(), person()};
      families.push_back(f);
      for (int c : f.children) next.push_back(c);
    }
    generation = next;
    if (generation.size() > 14) generation.resize(14);
  }
  // Links, and an adoptive family for some children.
  const std::size_t birth_families = families.size();
  for (std::size_t fi = 0; fi < birth_families; ++fi) {
    const std::string x = "F" + std::to_string(fi + 1);
    Family& f = families[fi];
    if (f.husband >= 0) people[f.husband].fams.push_back(x);
    if (f.wife >= 0) people[f.wife].fams.push_back(x);
    for (int c : f.children) people[c].famc.push_back(x);
  }
  for (std::size_t fi = 0; fi < birth_families; ++fi) {
    for (int c : families[fi].children) {
      if (!chance(8) || people[c].famc.size() != 1) continue;
      Family a;
      a.husband = person();
      people[a.husband].sex = "M";
      a.children = {c};
      a.adoptive = true;
      families.push_back(a);
      const std::string x = "F" + std::to_string(families.size());
      people[a.husband].fams.push_back(x);
      people[c].pedi_birth = people[c].famc.front();
      people[c].famc.push_back(x);
    }
  }

  std::vector<std::string> indi, fam;
  for (std::size_t i = 0; i < people.size(); ++i) {
    const Individual& p = people[i];
    const std::string id = "I" + std::to_string(i + 1);
    std::string r = "0 @" + id + "@ INDI\n1 NAME Given" + std::to_string(i + 1) + " /Line/\n";
    if (!p.sex.empty()) r += "1 SEX " + p.sex + "\n";
    std::vector<std::string> links;
    for (const std::string& f : p.famc) {
      if (p.pedi_birth.empty() && chance(10)) continue;  // given by the family's CHIL only
      std::string l = "1 FAMC @" + f + "@\n";
      if (!p.pedi_birth.empty()) l += std::string("2 PEDI ") + (f == p.pedi_birth ? "birth" : "adopted") + "\n";
      links.push_back(l);
    }
    for (const std::string& f : p.fams) {
      if (chance(10)) continue;  // given by the family's HUSB or WIFE only
      links.push_back("1 FAMS @" + f + "@\n" + (chance(20) ? "2 NOTE marriage of " + id + "\n" : ""));
    }
    std::shuffle(links.begin(), links.end(), rng);
    const std::size_t split = links.empty() ? 0 : rng() % (links.size() + 1);
    for (std::size_t k = 0; k < split; ++k) r += links[k];
    r += "1 BIRT\n2 DATE " + std::to_string(1800 + i) + "\n2 PLAC Somewhere\n";
    for (std::size_t k = split; k < links.size(); ++k) r += links[k];
    if (chance(20)) r += "1 NOTE born\n2 CONT twice over\n";
    indi.push_back(r);
  }
  for (std::size_t fi = 0; fi < families.size(); ++fi) {
    const Family& f = families[fi];
    std::string r = "0 @F" + std::to_string(fi + 1) + "@ FAM\n";
    if (f.husband >= 0) r += "1 HUSB @I" + std::to_string(f.husband + 1) + "@\n";
    if (f.wife >= 0) r += "1 WIFE @I" + std::to_string(f.wife + 1) + "@\n";
    if (chance(50)) r += "1 MARR\n2 DATE " + std::to_string(1820 + fi) + "\n";
    for (int c : f.children) {
      const bool famc_given = std::find(people[c].famc.begin(), people[c].famc.end(),
                                        "F" + std::to_string(fi + 1)) != people[c].famc.end();
      if (famc_given && !f.adoptive && chance(10)) continue;  // given by the child's FAMC only
      r += "1 CHIL @I" + std::to_string(c + 1) + "@\n";
    }
    if (chance(30)) r += "1 NOTE family " + std::to_string(fi + 1) + "\n";
    fam.push_back(r);
  }
  // Records mostly as exporters write them, individuals first; some files mix them.
  std::vector<std::string> body = indi;
  body.insert(body.end(), fam.begin(), fam.end());
  if (chance(30)) std::shuffle(body.begin(), body.end(), rng);
  std::string text = "0 HEAD\n1 SOUR Generator\n1 GEDC\n2 VERS 5.5.1\n2 FORM LINEAGE-LINKED\n"
                     "1 CHAR UTF-8\n0 @S1@ SUBM\n1 NAME Tester\n";
  for (const std::string& r : body) text += r;
  text += "0 @N1@ NOTE a note record\n0 TRLR\n";
  return text;
}

// Checks that `out` is `in` with only the documented changes; returns the number of copies.
int expect_only_documented_changes(const std::vector<Record>& in, const std::vector<Record>& out,
                                   const std::string& what) {
  std::set<std::string> xrefs;
  std::map<std::string, const Record*> input_of;
  for (const Record& r : in) {
    if (!r.xref.empty()) xrefs.insert(r.xref);
    input_of[r.tag + r.xref] = &r;
  }
  // Copies: named after an individual of the input, right after it and its earlier copies.
  std::map<std::string, std::string> original_of;
  std::vector<const Record*> kept;
  std::string last_individual;
  for (const Record& r : out) {
    if (r.xref.empty() || xrefs.count(r.xref)) {
      kept.push_back(&r);
      if (r.tag == "INDI") last_individual = r.xref;
      continue;
    }
    EXPECT_EQ(r.tag, "INDI") << what << r.xref;
    EXPECT_EQ(r.xref.rfind(last_individual + "_c", 0), 0u) << what << r.xref << " after " << last_individual;
    original_of[r.xref] = last_individual;
  }
  // Families whose husband or wife is now a copy.
  std::map<std::string, std::vector<std::string>> families_of_copy;
  std::set<std::pair<std::string, std::string>> moved;  // (individual, family)
  EXPECT_EQ(kept.size(), in.size()) << what;
  for (std::size_t i = 0; i < std::min(kept.size(), in.size()); ++i) {
    const Record& a = in[i];
    const Record& b = *kept[i];
    EXPECT_EQ(a.tag + a.xref, b.tag + b.xref) << what << " record " << i;
    if (a.tag == "FAM") {
      EXPECT_EQ(a.lines.size(), b.lines.size()) << what << a.xref;
      for (std::size_t k = 0; k < std::min(a.lines.size(), b.lines.size()); ++k) {
        if (a.lines[k] == b.lines[k]) continue;
        const std::string was = xref_of(a.lines[k]), now = xref_of(b.lines[k]);
        const bool role = a.lines[k].rfind("1 HUSB ", 0) == 0 || a.lines[k].rfind("1 WIFE ", 0) == 0;
        EXPECT_TRUE(role && b.lines[k].substr(0, 7) == a.lines[k].substr(0, 7) &&
                    original_of[now] == was)
            << what << ": " << a.lines[k] << " became " << b.lines[k];
        families_of_copy[now].push_back(a.xref);
        moved.insert({was, a.xref});
      }
    }
  }
  for (std::size_t i = 0; i < std::min(kept.size(), in.size()); ++i) {
    const Record& a = in[i];
    const Record& b = *kept[i];
    if (a.tag == "FAM") continue;
    std::vector<std::string> expected;
    bool dropping = false;
    for (const std::string& line : a.lines) {
      if (level_of(line) <= 1)
        dropping = line.rfind("1 FAMS ", 0) == 0 && moved.count({a.xref, xref_of(line)});
      if (!dropping) expected.push_back(line);
    }
    if (a.tag == "HEAD" && !original_of.empty()) {
      // One NOTE on what was cut, at the end of a header that had none.
      EXPECT_EQ(b.lines.back().rfind("1 NOTE pedigree loops broken: the offspring of ", 0), 0u) << what;
      expected.push_back(b.lines.back());
    }
    EXPECT_EQ(b.lines, expected) << what << " " << a.tag << " " << a.xref;
  }
  // A copy is a founder with its original's lines, a note and the links of its families.
  for (const Record& r : out) {
    if (!original_of.count(r.xref)) continue;
    const std::string& original = original_of[r.xref];
    std::vector<std::string> expected{"0 @" + r.xref + "@ INDI"};
    bool dropping = false;
    const Record& o = *input_of.at("INDI" + original);
    for (std::size_t k = 1; k < o.lines.size(); ++k) {
      if (level_of(o.lines[k]) <= 1)
        dropping = o.lines[k].rfind("1 FAMS ", 0) == 0 || o.lines[k].rfind("1 FAMC ", 0) == 0;
      if (!dropping) expected.push_back(o.lines[k]);
    }
    expected.push_back("1 NOTE copy of " + original + ", made to break a pedigree loop");
    // The original's FAMS line of each family moves with the lines under it.
    for (const std::string& f : families_of_copy[r.xref]) {
      const std::size_t before = expected.size();
      bool moving = false;
      for (std::size_t k = 1; k < o.lines.size(); ++k) {
        if (level_of(o.lines[k]) <= 1) moving = o.lines[k] == "1 FAMS @" + f + "@";
        if (moving) expected.push_back(o.lines[k]);
      }
      if (expected.size() == before) expected.push_back("1 FAMS @" + f + "@");
    }
    EXPECT_EQ(r.lines, expected) << what << " " << r.xref;
  }
  return static_cast<int>(original_of.size());
}

TEST(PedPrepGedcom, GeneratedPedigreesComeBackWithOnlyTheLinksOfTheCopiesChanged) {
  WorkDir d;
  int copies = 0, looped = 0;
  for (unsigned seed = 1; seed <= 24; ++seed) {
    const bool loops = seed % 3 != 0;
    std::string text = generated_gedcom(seed, loops);
    if (seed % 4 == 1) text = replaced(text, '\n', "\r\n");
    const std::string what = "seed " + std::to_string(seed);
    d.write("in.ged", text);
    const RunResult r = ped_prep(d, {"run", "gedcom", "in.ged", "-o", "out.ged"});
    ASSERT_EQ(r.status, 0) << what << r.out << r.err;
    if (r.out.find(" 0 loops in 0 of them") == std::string::npos) ++looped;
    if (!loops) {
      EXPECT_NE(r.out.find(" 0 loops in 0 of them"), std::string::npos) << what << r.out;
      EXPECT_EQ(d.read("out.ged"), text) << what;
      continue;
    }
    const TextFile in = split_text(text, "in.ged");
    const TextFile out = split_text(d.read("out.ged"), "out.ged");
    EXPECT_EQ(out.form.line_end, in.form.line_end) << what;
    const int made = expect_only_documented_changes(records(in.lines), records(out.lines), what);
    copies += made;
    const std::string side = d.read("out.ged.copies.tsv");
    EXPECT_EQ(std::count(side.begin(), side.end(), '\n'), made + 1) << what;
    // The output has no loop left.
    const RunResult again = import_gedcom(d, "out.ged");
    ASSERT_EQ(again.status, 0) << what << again.err;
    EXPECT_NE(again.out.find(" 0 loops in 0 of them"), std::string::npos) << what << again.out;
  }
  EXPECT_GE(looped, 12) << "most generated pedigrees with marriages among kin have loops";
  EXPECT_GE(copies, 20);
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

}  // namespace
}  // namespace loopcut::testing
