// The problem list of a refusal: each problem once, at most twenty, the bytes made visible.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ped_prep/commands/report.hpp"

namespace loopcut::prep {
namespace {

TEST(ProblemLines, EachProblemOnceAtMostTwentyThenTheCountOfTheRest) {
  std::vector<std::string> problems;
  for (int i = 1; i <= 30; ++i) {
    problems.push_back("f:" + std::to_string(i) + ": bad");
    problems.push_back("f:" + std::to_string(i) + ": bad");  // the same problem found twice
  }
  const std::vector<std::string> lines = problem_lines(problems);
  ASSERT_EQ(lines.size(), 21u);
  EXPECT_EQ(lines[0], "f:1: bad");
  EXPECT_EQ(lines[19], "f:20: bad");
  EXPECT_EQ(lines[20], "and 10 more problems");
  EXPECT_EQ(problem_lines({"a", "b", "a"}), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(problem_lines({std::string("id \0\x1b[2J\xff", 9)}),
            std::vector<std::string>{"id \\x00\\x1B[2J\\xFF"});
}

}  // namespace
}  // namespace loopcut::prep
