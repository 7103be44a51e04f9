// ped_prep's batches: whole pedigrees in input order, cut where one run of the chain could not
// number them or at --batch-records; the output never depends on how many batches run at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "ped_prep/chain/batches.hpp"
#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

using prep::Batch;
using prep::BatchLimits;
using prep::PedigreeLoad;

// Each batch as (first pedigree, pedigrees, first row, rows).
std::vector<std::tuple<int, int, long, long>> spans(const std::vector<Batch>& batches) {
  std::vector<std::tuple<int, int, long, long>> s;
  for (const Batch& b : batches) s.emplace_back(b.first_pedigree, b.pedigrees, b.first_row, b.rows);
  return s;
}

TEST(PedPrepBatches, WholePedigreesInInputOrderUpToWhatOneRunCanNumber) {
  // rows, couples (room for copies), most mates
  const std::vector<PedigreeLoad> loads = {{4, 3, 2}, {5, 4, 2}, {3, 2, 1}, {30, 20, 5}, {2, 1, 1}};
  using Span = std::tuple<int, int, long, long>;
  // 7 + 9 + 1 spare fit in 17, not in 16; the third would make 23. The fourth passes both
  // alone: a batch of its own all the same.
  EXPECT_EQ(spans(plan_batches(loads, BatchLimits{17, 0})),
            (std::vector<Span>{{0, 2, 0, 9}, {2, 1, 9, 3}, {3, 1, 12, 30}, {4, 1, 42, 2}}));
  EXPECT_EQ(spans(plan_batches(loads, BatchLimits{16, 0})),
            (std::vector<Span>{{0, 1, 0, 4}, {1, 2, 4, 8}, {3, 1, 12, 30}, {4, 1, 42, 2}}));
  // At most 12 records a batch: the records alone count, not the room for copies.
  EXPECT_EQ(spans(plan_batches(loads, BatchLimits{999999, 12})),
            (std::vector<Span>{{0, 3, 0, 12}, {3, 1, 12, 30}, {4, 1, 42, 2}}));
  EXPECT_EQ(spans(plan_batches(loads, BatchLimits{999999, 0})), (std::vector<Span>{{0, 5, 0, 44}}));
  EXPECT_TRUE(plan_batches({}, BatchLimits{999999, 0}).empty());

  // The pedigree table keeps two spare entries: at most 3 pedigrees where 5 can be numbered.
  const std::vector<PedigreeLoad> singles(5, PedigreeLoad{1, 0, 0});
  const std::vector<Batch> batches = plan_batches(singles, BatchLimits{5, 0});
  EXPECT_EQ(spans(batches), (std::vector<Span>{{0, 3, 0, 3}, {3, 2, 3, 2}}));

  // What the largest batch needs of each ceiling.
  const prep::BatchNeeds needs = prep::batch_needs(loads, plan_batches(loads, BatchLimits{17, 0}));
  EXPECT_EQ(needs.rows, 30 + 20 + 1);
  EXPECT_EQ(needs.pedigrees, 2 + 2);
  EXPECT_EQ(needs.stars, 30);
  EXPECT_EQ(needs.mates, 5 + 2);
}

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

// Families F1 .. Fn, each a first-cousin marriage with a child (one loop); every third family
// has a second child who marries back into the family, for a second loop.
std::string cousin_families(int n) {
  std::string s;
  for (int f = 1; f <= n; ++f) {
    const std::string F = "F" + std::to_string(f) + " ";
    s += F + "1 0 0 1 1\n" + F + "2 0 0 2 1\n" + F + "3 1 2 1 1\n" + F + "4 1 2 2 2\n" + F +
         "5 0 0 2 1\n" + F + "6 0 0 1 1\n" + F + "7 3 5 1 1\n" + F + "8 6 4 2 2\n" + F +
         "9 7 8 1 1\n";
    if (f % 3 == 0) s += F + "10 7 8 2 1\n" + F + "11 3 10 1 2\n";
  }
  return s;
}

std::vector<std::string> sorted_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  std::sort(lines.begin(), lines.end());
  return lines;
}

TEST(PedPrepBatches, BatchesRunAtOnceOrOneByOneGiveTheSameFilesAndTheSameCut) {
  WorkDir d;
  d.write("in.pre", cousin_families(9));
  // Two individuals whose value passes the whole pedigree's, in the first and the last batch.
  d.write("rel.txt", "0.25\nF1 3 0.3\nF2 7 0.125\nF9 4 0.5\n");
  auto run = [&](const std::string& out, const std::vector<std::string>& more) {
    std::vector<std::string> args = {"run",       "linkage", "in.pre",    "-o", out,
                                     "--weights", "rel.txt", "--improve", "5"};
    args.insert(args.end(), more.begin(), more.end());
    return ped_prep(d, args);
  };
  const RunResult one = run("one.pre", {"--batch-records", "25", "--jobs", "1", "--work", "w1"});
  const RunResult three =
      run("three.pre", {"--batch-records", "25", "--jobs", "3", "--work", "w3"});
  const RunResult whole = run("whole.pre", {});
  for (const RunResult* r : {&one, &three, &whole}) {
    ASSERT_EQ(r->status, 0) << r->out << r->err;
    EXPECT_NE(r->out.find("no loops left, nobody lost"), std::string::npos) << r->out;
    EXPECT_NE(r->out.find("2 individuals with a relationship value above the whole pedigree's: "
                          "the negative weight is taken as 0, so each is the first choice to cut: "
                          "3 of family F1, 4 of family F9\n"),
              std::string::npos)
        << r->out;
    EXPECT_NE(r->out.find("cut: cost "), std::string::npos) << r->out;
    EXPECT_NE(r->out.find(" stars), proven optimal\n"), std::string::npos) << r->out;
  }
  // Whole families of 9 or 11 records, at most 25 a batch: 9+9 | 11+9 | 9+11 | 9+9 | 11.
  EXPECT_NE(
      one.out.find("chain: 9 pedigrees with loops, 87 records, in 5 batches, 1 at a time, in w1\n"),
      std::string::npos)
      << one.out;
  EXPECT_NE(three.out.find("in 5 batches, 3 at a time, in w3\n"), std::string::npos) << three.out;
  EXPECT_EQ(d.read("one.pre"), d.read("three.pre"));
  EXPECT_EQ(d.read("one.pre.copies.tsv"), d.read("three.pre.copies.tsv"));
  // Batches change the order the cut pedigrees come in, never what is cut.
  EXPECT_EQ(sorted_lines(d.read("one.pre")), sorted_lines(d.read("whole.pre")));
  EXPECT_EQ(sorted_lines(d.read("one.pre.copies.tsv")),
            sorted_lines(d.read("whole.pre.copies.tsv")));
  // Each batch is a chain run of its own, numbered from 1: the last holds F9 alone.
  EXPECT_EQ(d.read("w1/batch-5/rrr.dat"), " 0 0.25\n 4 0.5\n");
  EXPECT_EQ(d.read("w1/batch-5/task_w_fin.inp"), " 11\nlist.dat\n");
  EXPECT_TRUE(d.exists("w3/batch-1/pedigree.cut"));
  EXPECT_FALSE(d.exists("w3/pedigree.cut"));
  const RunResult again = ped_prep(d, {"import", "linkage", "one.pre", "-o", "again"});
  EXPECT_NE(again.out.find(", 0 loops"), std::string::npos) << again.out;
}

TEST(PedPrepBatches, ABatchThatStopsIsNamedAndItsFilesKept) {
  WorkDir d;
  d.write("in.pre", cousin_families(4));
  std::filesystem::create_directory(d.path() / "bin");
  d.write("bin/cut_select",
          "#!/bin/sh\necho ' READING of initial data'\necho ' PEDIGREE:  1'\n"
          "echo ' max_spou+2>M_STAR: 54 55'\n");
  std::filesystem::permissions(d.path() / "bin/cut_select", std::filesystem::perms::owner_all);
  const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", "--bin", "bin",
                                   "--work", "w", "--batch-records", "20", "--jobs", "1"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(
      r.err,
      "ped_prep: batch 1 of 2: cut_select stopped at pedigree 1: an individual with 54 mates, "
      "more than the optimiser's 53\nthe chain's files are kept in w/batch-1\n");
  EXPECT_FALSE(d.exists("w/batch-2")) << "no batch starts after one stopped";
  EXPECT_FALSE(d.exists("out.pre"));
}

TEST(PedPrepBatches, BatchOptionsTakeWholeNumbers) {
  WorkDir d;
  d.write("in.pre", cousin_families(1));
  for (const auto& [option, value] :
       std::vector<std::pair<std::string, std::string>>{{"--jobs", "0"},
                                                        {"--jobs", "2x"},
                                                        {"--jobs", "257"},
                                                        {"--batch-records", ""},
                                                        {"--batch-records", "-5"}}) {
    const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", option, value});
    EXPECT_EQ(r.status, 2) << option << " " << value;
    EXPECT_NE(r.err.find(option + " takes a whole number from 1 to "), std::string::npos) << r.err;
  }
}

}  // namespace
}  // namespace loopcut::testing
