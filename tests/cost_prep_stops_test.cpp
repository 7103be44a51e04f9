// cost_prep's stops and input errors: status 1, one line on the error output, and the old weight
// files left as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "common/par.hpp"
#include "support/run_program.hpp"

namespace loopcut {
namespace {

using testing::RunResult;
using testing::WorkDir;

const char* const kWeightFiles[] = {"w_res.dat", "w_0.dat", "w_s.dat", "w_l.dat"};
const std::string kStarStop =
    "Increase parameter N_STAR in par.incl and recompile !\n"
    "Set LOOPCUT_N_STAR in the environment to raise this ceiling.\n";

// Runs cost_prep over old weight files and checks that it stopped with the message and left them
// untouched, with no temporary file behind.
void expect_stop(const WorkDir& d, const std::string& message) {
  for (const char* f : kWeightFiles) d.write(f, "old\n");
  const RunResult r = d.run("cost_prep");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, message);
  for (const char* f : kWeightFiles) {
    EXPECT_EQ(d.read(f), "old\n") << f;
    EXPECT_FALSE(d.exists(std::string(f) + ".part")) << f;
  }
}

std::string lines(int count, const std::string& head, const std::string& line) {
  std::string s = head;
  for (int k = 1; k <= count; ++k) s += std::to_string(k) + line;
  return s;
}

TEST(CostPrepStops, RelationshipOfTheInitialPedigreeZero) {
  WorkDir d;
  d.write("task_w_fin.inp", "2\nlist.dat\n");
  d.write("rrr.dat", "0 0.0\n1 0.5\n");
  expect_stop(d, "Relationship of initial pedigree equals to 0\n");
}

TEST(CostPrepStops, RelationshipRecordsBeyondCapacity) {
  WorkDir d;
  d.write("task_w_fin.inp", "1\nlist.dat\n");
  d.write("rrr.dat", lines(N_STAR, "0 2\n", " 1\n"));
  const RunResult r = d.run("cost_prep");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(d.read("w_0.dat"), " 1 50.0\n");
  d.write("rrr.dat", lines(N_STAR + 1, "0 2\n", " 1\n"));
  expect_stop(d, kStarStop);
}

TEST(CostPrepStops, StarCountBeyondCapacityStopsBeforeReadingRelationships) {
  WorkDir d;
  d.write("task_w_fin.inp", std::to_string(N_STAR) + "\nlist.dat\n");
  d.write("rrr.dat", "0 2\n");
  EXPECT_EQ(d.run("cost_prep").status, 0);
  const std::string w0 = d.read("w_0.dat");
  EXPECT_EQ(std::count(w0.begin(), w0.end(), '\n'), N_STAR);
  d.write("task_w_fin.inp", std::to_string(N_STAR + 1) + "\nlist.dat\n");
  d.write("rrr.dat", "0 0\n");  // would stop on R0 = 0 if it were read
  expect_stop(d, kStarStop);
}

TEST(CostPrepStops, ListBeyondCapacity) {
  WorkDir d;
  d.write("task_w_fin.inp", "1\nlist.dat\n");
  d.write("rrr.dat", "0 2\n1 1.5\n");
  d.write("list.dat", lines(N_STAR, "", "\n"));
  const RunResult r = d.run("cost_prep");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(d.read("w_0.dat"), " 1 50.0\n");
  d.write("list.dat", lines(N_STAR + 1, "", "\n"));
  expect_stop(d, kStarStop);
}

TEST(CostPrepStops, MissingListFileReadsAsEmptyAndIsNotCreated) {
  WorkDir d;
  d.write("task_w_fin.inp", "1\n'my list.dat'\n");
  d.write("rrr.dat", "0 2\n1 1.5\n");
  const RunResult r = d.run("cost_prep");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, " number of stars =          1\n number of stars from list= 0\n");
  EXPECT_FALSE(d.exists("my list.dat"));
}

TEST(CostPrepStops, MissingOrMalformedInputIsAnErrorNamingTheFile) {
  const struct {
    const char* task;
    const char* rrr;
    const char* list;
    const char* err;
  } cases[] = {
      {nullptr, "0 2\n", nullptr,
       "task_w_fin.inp: cannot open for reading (No such file or directory)\n"},
      {"1\nlist.dat\n", nullptr, nullptr,
       "rrr.dat: cannot open for reading (No such file or directory)\n"},
      {"1\nlist.dat\n", "0\n", nullptr,
       "rrr.dat:1: expected a real number (relationship of the initial pedigree), "
       "found end of file\n"},
      {"1\nlist.dat\n", "0 2\n1 1.5\n", "3\nx\n",
       "list.dat:2: expected an integer (star number), found \"x\" in \"x\"\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.err);
    WorkDir d;
    if (c.task) d.write("task_w_fin.inp", c.task);
    if (c.rrr) d.write("rrr.dat", c.rrr);
    if (c.list) d.write("list.dat", c.list);
    expect_stop(d, c.err);
    // Reading never creates a file.
    if (!c.task) {
      EXPECT_FALSE(d.exists("task_w_fin.inp"));
    }
    if (!c.rrr) {
      EXPECT_FALSE(d.exists("rrr.dat"));
    }
  }
}

}  // namespace
}  // namespace loopcut
