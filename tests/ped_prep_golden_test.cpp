// The golden test of ped_prep run: the exit status, OUTPUT's bytes, the list of copies and the
// messages, recorded once and compared on every later build. It keeps a re-layout of the code
// from changing what a user gets.
//
// - The project's repro files (tests/fixtures/golden/inputs/, copied from ../shared/data/repro)
//   with their whole expected outputs (tests/fixtures/golden/expected/FILE/).
// - The real sets of ../shared/data/real (or $LOOPCUT_SHARED_DATA/real), too large to keep here:
//   SHA-256 digests of the same things (tests/fixtures/golden/real.tsv); skipped, with a message,
//   where the folder is absent.
//
// Every run takes the options of tests/fixtures/golden/run_options.txt, the one place for them.
// LOOPCUT_GOLDEN_RECORD=1 records the outputs instead of comparing them (for a change of
// behaviour on purpose; the diff of the fixtures then shows what changed).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_command.hpp"
#include "support/sha256.hpp"

namespace loopcut::testing {
namespace {

namespace fs = std::filesystem;

const fs::path GOLDEN = source_path("tests/fixtures/golden");

bool recording() {
  const char* v = std::getenv("LOOPCUT_GOLDEN_RECORD");
  return v != nullptr && std::string(v) == "1";
}

std::string slurp(const fs::path& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

void spill(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream f(path, std::ios::binary | std::ios::trunc);
  f << bytes;
  ASSERT_TRUE(f.good()) << path;
}

// The options of every golden run: run_options.txt, one argument per line; blank lines and
// lines starting with # are left out.
std::vector<std::string> run_options() {
  std::vector<std::string> options;
  std::istringstream in(slurp(GOLDEN / "run_options.txt"));
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] != '#') options.push_back(line);
  return options;
}

// The format of an input, by its extension, as the repro folder's README names them.
std::string format_of(const fs::path& input) {
  const std::string ext = input.extension().string();
  if (ext == ".pre") return "linkage";
  if (ext == ".fam") return "fam";
  if (ext == ".ged") return "gedcom";
  return "chain";
}

// What one run gives, its messages without what changes from run to run: the scratch folder's
// name and the progress lines of a long chain.
struct Golden {
  std::string status, output, copies, out, err;
};

std::string steady(const std::string& messages, const WorkDir& dir) {
  std::string s = std::regex_replace(messages, std::regex("[^ \n]*ped_prep-[A-Za-z0-9]{6}"),
                                     "<scratch>");
  for (std::size_t at; (at = s.find(dir.path().string())) != std::string::npos;)
    s.replace(at, dir.path().string().size(), "<work>");
  return std::regex_replace(
      s, std::regex("(^|\n)(cut_select|cut_improve|ped_cut|cost_prep|chain): [^\n]*\\(\\d+ s\\)\n"),
      "$1");
}

Golden run_golden(const fs::path& input) {
  WorkDir d;
  const std::string name = input.filename().string();
  fs::copy_file(input, d.path() / name);
  const std::string output = "out" + input.extension().string();
  std::vector<std::string> args = {"run", format_of(input), name, "-o", output};
  for (const std::string& o : run_options()) args.push_back(o);
  const RunResult r = run_command(d, "ped_prep", args);
  Golden g;
  g.status = std::to_string(r.status) + "\n";
  g.output = d.exists(output) ? d.read(output) : "(none)";
  g.copies = d.exists(output + ".copies.tsv") ? d.read(output + ".copies.tsv") : "(none)";
  g.out = steady(r.out, d);
  g.err = steady(r.err, d);
  return g;
}

// The repro files, in name order.
std::vector<fs::path> repro_inputs() {
  std::vector<fs::path> inputs;
  for (const auto& e : fs::directory_iterator(GOLDEN / "inputs"))
    if (e.is_regular_file()) inputs.push_back(e.path());
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

TEST(PedPrepGolden, ReproFilesGiveTheRecordedStatusOutputCopiesAndMessages) {
  const std::vector<fs::path> inputs = repro_inputs();
  ASSERT_GE(inputs.size(), 22u);
  for (const fs::path& input : inputs) {
    SCOPED_TRACE(input.filename().string());
    const Golden g = run_golden(input);
    const fs::path expected = GOLDEN / "expected" / input.filename();
    const std::vector<std::pair<std::string, const std::string*>> parts = {
        {"status", &g.status}, {"output", &g.output}, {"copies.tsv", &g.copies},
        {"stdout", &g.out},    {"stderr", &g.err}};
    for (const auto& [part, bytes] : parts) {
      if (recording()) {
        spill(expected / part, *bytes);
        continue;
      }
      ASSERT_TRUE(fs::exists(expected / part)) << (expected / part) << " not recorded";
      EXPECT_EQ(*bytes, slurp(expected / part)) << input.filename() << ": " << part;
    }
  }
}

// The real sets' folder beside the clone, or where LOOPCUT_SHARED_DATA says.
fs::path real_sets() {
  const char* shared = std::getenv("LOOPCUT_SHARED_DATA");
  if (shared != nullptr && *shared != '\0') return fs::path(shared) / "real";
  return source_path("../shared/data/real");
}

// One line of real.tsv: the input (relative to the real sets' folder), then the digests.
std::string digest_line(const std::string& input, const Golden& g) {
  return input + "\t" + g.status.substr(0, g.status.size() - 1) + "\t" + sha256_hex(g.output) +
         "\t" + sha256_hex(g.copies) + "\t" + sha256_hex(g.out) + "\t" + sha256_hex(g.err) + "\n";
}

TEST(PedPrepGolden, RealSetsGiveTheRecordedDigests) {
  const fs::path real = real_sets();
  if (!fs::is_directory(real))
    GTEST_SKIP() << real << " is absent: the real sets' golden outputs are not compared (put "
                 << "../shared beside the clone, or set LOOPCUT_SHARED_DATA)";
  // The inputs: every set's chain pedigree files and its source GEDCOM where it has one.
  std::vector<std::string> inputs;
  if (recording()) {
    for (const auto& e : fs::recursive_directory_iterator(real)) {
      const fs::path rel = fs::relative(e.path(), real);
      const bool in_source = rel.parent_path().filename() == "source";
      if (e.is_regular_file() && ((!in_source && rel.extension() == ".ped") ||
                                  (in_source && rel.extension() == ".ged")))
        inputs.push_back(rel.generic_string());
    }
    std::sort(inputs.begin(), inputs.end());
  } else {
    std::istringstream table(slurp(GOLDEN / "real.tsv"));
    for (std::string line; std::getline(table, line);)
      if (!line.empty() && line[0] != '#') inputs.push_back(line.substr(0, line.find('\t')));
  }
  ASSERT_FALSE(inputs.empty());
  std::string table =
      "# input\tstatus\tsha256 of OUTPUT\tof OUTPUT.copies.tsv\tof stdout\tof stderr\n";
  std::istringstream recorded(slurp(GOLDEN / "real.tsv"));
  std::vector<std::string> expected;
  for (std::string line; std::getline(recorded, line);)
    if (!line.empty() && line[0] != '#') expected.push_back(line + "\n");
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(inputs[i]);
    if (!fs::exists(real / inputs[i])) {
      ADD_FAILURE() << (real / inputs[i]) << " is missing from the real sets";
      continue;
    }
    const std::string line = digest_line(inputs[i], run_golden(real / inputs[i]));
    table += line;
    if (!recording()) {
      ASSERT_LT(i, expected.size());
      EXPECT_EQ(line, expected[i]);
    }
  }
  if (recording()) spill(GOLDEN / "real.tsv", table);
}

}  // namespace
}  // namespace loopcut::testing
