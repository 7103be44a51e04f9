// ped_prep run on files written the ways other programs write them: the output is the input
// with only the documented changes, in the input's own line ends and encoding, or a refusal.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace loopcut::testing
