// Round trip of generated LINKAGE and .fam files through ped_prep run: every record comes back
// in its place with every field as written, except that children handed to a copy name the
// copy as parent; the copies are founders with their original's fields, after the last row of
// their family; the output has no loop left, so a second run gives it back byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/pedigree_generator.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::vector<std::string> fields_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> fields;
  for (std::string f; in >> f;) fields.push_back(f);
  return fields;
}

// A generated pedigree as a LINKAGE or .fam file of some other program: families interleaved,
// records in shuffled order, identifiers that are words, a comment, tabs or aligned blanks,
// unknown sex codes, and further columns.
std::string as_columns(const std::string& chain, bool fam, unsigned seed) {
  std::mt19937 rng(seed);
  std::vector<std::vector<std::string>> records;
  for (const std::string& line : lines_of(chain)) {
    std::vector<std::string> f = fields_of(line);
    if (f.size() < 5 || f[0] == "ped") continue;
    auto id = [&](const std::string& n) { return n == "0" ? n : "id" + n; };
    std::string sex = f[4];
    if (rng() % 10 == 0) sex = fam ? (rng() % 2 ? "-9" : "3") : "0";
    std::vector<std::string> r{"fam" + f[0], id(f[1]), id(f[2]), id(f[3]), sex};
    if (fam) {
      r.push_back(rng() % 3 ? "1" : "2");
    } else {
      r.push_back(std::to_string(rng() % 3));
      r.push_back(std::to_string(1 + rng() % 4) + " " + std::to_string(1 + rng() % 4));
    }
    records.push_back(r);
  }
  std::shuffle(records.begin(), records.end(), rng);
  const bool tabs = seed % 2 == 0;
  std::string text = "# generated, seed " + std::to_string(seed) + "\n";
  for (const auto& r : records) {
    std::string line;
    for (std::size_t i = 0; i < r.size(); ++i) {
      if (i) line += tabs ? "\t" : "  ";
      line += r[i];
    }
    text += line + "\n";
  }
  return text;
}

// Checks the output against the input; returns the number of copies.
int expect_round_trip(const std::string& input, const std::string& output,
                      const std::string& side) {
  const std::vector<std::string> in = lines_of(input), out = lines_of(output);
  std::map<std::string, std::string> original_of;  // family + copy id -> original id
  for (const std::string& line : lines_of(side)) {
    std::istringstream w(line);
    std::string family, id, kind, original;
    std::getline(w, family, '\t');
    std::getline(w, id, '\t');
    std::getline(w, kind, '\t');
    std::getline(w, original, '\t');
    if (kind == "copy") original_of[family + "/" + id] = original;
  }
  std::map<std::string, std::string> line_of;  // family + id -> input line
  std::map<std::string, std::size_t> last_of_family;
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto f = fields_of(in[i]);
    if (f.empty() || f[0][0] == '#') continue;
    line_of[f[0] + "/" + f[1]] = in[i];
    last_of_family[f[0]] = i;
  }
  std::size_t next = 0;  // the next input line expected
  int copies = 0;
  std::string family_done;  // the family whose last input row came last
  for (const std::string& line : out) {
    const auto f = fields_of(line);
    if (!f.empty() && original_of.count(f[0] + "/" + f[1])) {
      // A copy: a founder with its original's fields, right after its family's last row.
      ++copies;
      EXPECT_EQ(f[0], family_done) << line;
      const auto o = fields_of(line_of.at(f[0] + "/" + original_of[f[0] + "/" + f[1]]));
      EXPECT_EQ(f[2], "0") << line;
      EXPECT_EQ(f[3], "0") << line;
      EXPECT_TRUE(std::equal(f.begin() + 4, f.end(), o.begin() + 4, o.end())) << line;
      continue;
    }
    if (!(next < in.size())) {
      ADD_FAILURE() << "a line more than the input's: " << line;
      break;
    }
    const std::string& want = in[next];
    if (line != want) {
      // Only the parents may change, each to a copy of the parent the input names.
      const auto w = fields_of(want);
      EXPECT_EQ(f.size(), w.size()) << line;
      for (std::size_t i = 0; i < f.size() && i < w.size(); ++i) {
        if (i == 2 || i == 3) {
          if (f[i] != w[i]) {
            EXPECT_EQ(original_of[f[0] + "/" + f[i]], w[i]) << line << " for " << want;
          }
        } else {
          EXPECT_EQ(f[i], w[i]) << line << " for " << want;
        }
      }
    }
    family_done = !f.empty() && f[0][0] != '#' && last_of_family[f[0]] == next ? f[0] : "";
    ++next;
  }
  EXPECT_EQ(next, in.size()) << "every input line comes back";
  EXPECT_EQ(copies, static_cast<int>(original_of.size()));
  return copies;
}

TEST(PedPrepRoundTrip, GeneratedLinkageAndFamComeBackWithOnlyTheCopiesChanges) {
  int looped = 0, loop_free = 0, copies = 0, runs = 0;
  for (bool fam : {false, true}) {
    for (unsigned seed = 1; seed <= 6; ++seed) {
      for (bool loops : {true, false}) {
        SCOPED_TRACE((fam ? "fam seed " : "linkage seed ") + std::to_string(seed) +
                     (loops ? " with loops" : " without loops"));
        bench::GeneratorOptions o;
        o.records = 60 + static_cast<int>(seed) * 15;
        o.pedigrees = 1 + static_cast<int>(seed % 3);
        o.seed = seed;
        // Fathers from outside: few lines of descent meet, mostly none.
        if (!loops) o.marry_in_permille = 1000;
        const std::string input = as_columns(bench::generate_pedigree(o).pedigree, fam, seed);
        WorkDir d;
        const std::string format = fam ? "fam" : "linkage";
        d.write("in", input);
        const RunResult r = ped_prep(d, {"run", format, "in", "-o", "out"});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
        ++runs;
        const int made = expect_round_trip(input, d.read("out"), d.read("out.copies.tsv"));
        copies += made;
        if (made > 0) {
          ++looped;
        } else {
          ++loop_free;
          EXPECT_EQ(d.read("out"), input) << "a file without loops comes back byte for byte";
        }
        // No loop is left: the output comes back from a second run unchanged.
        const RunResult again = ped_prep(d, {"run", format, "out", "-o", "again"});
        ASSERT_EQ(again.status, 0) << again.out << again.err;
        EXPECT_NE(again.out.find(", 0 loops in 0 of them"), std::string::npos) << again.out;
        EXPECT_EQ(d.read("again"), d.read("out"));
      }
    }
  }
  EXPECT_EQ(runs, 24);
  EXPECT_GE(looped, 10) << "the generated pedigrees with kin marriages have loops to cut";
  EXPECT_GE(loop_free, 4) << "some have none";
  EXPECT_GE(copies, 20);
}

}  // namespace
}  // namespace loopcut::testing
