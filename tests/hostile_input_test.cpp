// Input that is not text at all, or not a file: each program stops with status 1 and one short,
// printable line that names the file.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

namespace fs = std::filesystem;

// Bytes of every value, few blanks and line ends: what a binary file named by mistake holds.
std::string binary_garbage(std::size_t n) {
  std::string s;
  std::uint32_t x = 12345;
  for (std::size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    char c = static_cast<char>(x >> 23);
    if (c >= '0' && c <= '9') c = 'x';  // no item may read as a number
    s += c;
  }
  return "header\n" + s;
}

void expect_one_short_line_naming(const RunResult& r, const std::string& file) {
  EXPECT_EQ(r.status, 1);
  ASSERT_FALSE(r.err.empty());
  EXPECT_EQ(r.err.rfind(file + ":", 0), 0u) << r.err;
  EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << "more than one line";
  EXPECT_LT(r.err.size(), 400u);
  for (char c : r.err.substr(0, r.err.size() - 1)) {
    EXPECT_FALSE(static_cast<unsigned char>(c) < 0x20 && c != '\t')
        << "control character " << static_cast<int>(c);
  }
}

struct ProgramInput {
  const char* program;
  const char* bad_file;  // the file that gets the garbage
};
const ProgramInput kPrograms[] = {
    {"cut_select", "peds.dat"}, {"ped_cut", "res.dat"}, {"cost_prep", "rrr.dat"}};

void write_inputs(const WorkDir& d) {
  d.write("task.inp", "peds.dat\nweights.dat\ncut.dat\n");
  d.write("peds.dat", "header\n1 1 0 0 1 A\n1 2 0 0 2 B\n1 3 1 2 1 C\n");
  d.write("weights.dat", "1 1.0\n2 1.0\n3 1.0\n");
  d.write("res.dat", "");
  d.write("task_w_fin.inp", "3\nlist.dat\n");
  d.write("rrr.dat", "0 1.0\n1 0.5\n");
}

TEST(HostileInput, BinaryOrOverlongInputGivesOneShortPrintableLine) {
  for (const ProgramInput& p : kPrograms) {
    SCOPED_TRACE(p.program);
    WorkDir d;
    write_inputs(d);
    d.write(p.bad_file, binary_garbage(100000));
    expect_one_short_line_naming(d.run(p.program), p.bad_file);
    d.write(p.bad_file, "header\n" + std::string(100000, 'x') + "\n");  // one long word
    expect_one_short_line_naming(d.run(p.program), p.bad_file);
  }
}

TEST(HostileInput, InputNameThatIsADirectoryIsRefused) {
  for (const ProgramInput& p : kPrograms) {
    SCOPED_TRACE(p.program);
    WorkDir d;
    write_inputs(d);
    fs::remove(d.path() / p.bad_file);
    fs::create_directory(d.path() / p.bad_file);
    const RunResult r = d.run(p.program);
    expect_one_short_line_naming(r, p.bad_file);
    EXPECT_EQ(r.err, std::string(p.bad_file) + ": cannot read: it is a directory\n");
  }
}

}  // namespace
}  // namespace loopcut::testing
