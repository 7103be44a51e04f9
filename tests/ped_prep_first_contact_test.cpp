// What a new user meets first: pictures of a pedigree with or without Graphviz, and relationship
// values above the whole pedigree's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_command.hpp"

namespace loopcut::testing {
namespace {

RunResult ped_prep(const WorkDir& dir, const std::vector<std::string>& args) {
  return run_command(dir, "ped_prep", args);
}

// Sets PATH for the programs run while it lives.
class ScopedPath {
 public:
  explicit ScopedPath(const std::string& path) {
    const char* old = std::getenv("PATH");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("PATH", path.c_str(), 1);
  }
  ~ScopedPath() {
    if (had_) {
      setenv("PATH", old_.c_str(), 1);
    } else {
      unsetenv("PATH");
    }
  }

 private:
  bool had_ = false;
  std::string old_;
};

const char* const SIBMATE = "1 1 0 0 1\n1 2 0 0 2\n1 3 1 2 1\n1 4 1 2 2\n1 5 3 4 1\n";

TEST(PedPrepDraw, APictureNeedsGraphvizAndTheDotFileIsWrittenEitherWay) {
  WorkDir d;
  d.write("in.pre", SIBMATE);
  ASSERT_EQ(ped_prep(d, {"import", "linkage", "in.pre", "-o", "chain"}).status, 0);
  namespace fs = std::filesystem;
  fs::create_directory(d.path() / "nodot");
  {
    ScopedPath path((d.path() / "nodot").string());
    const RunResult r = ped_prep(d, {"draw", "chain/pedigree.ped", "-o", "pic.svg"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "wrote pic.dot: 5 individuals, 2 families\n");
    EXPECT_EQ(r.err,
              "ped_prep: pic.svg not made: it needs dot, of Graphviz, which is not installed "
              "(Debian and Ubuntu: apt-get install graphviz); then run\n"
              "  dot -Tsvg pic.dot -o pic.svg\n");
    EXPECT_EQ(d.read("pic.dot").rfind("digraph pedigree {", 0), 0u);
    EXPECT_FALSE(d.exists("pic.svg"));
  }
  // A stand-in for dot that records how it is called.
  fs::create_directory(d.path() / "fakedot");
  d.write("fakedot/dot", "#!/bin/sh\necho \"$@\" > dot_args.txt\necho picture > \"$4\"\n");
  fs::permissions(d.path() / "fakedot/dot", fs::perms::owner_all);
  {
    ScopedPath path((d.path() / "fakedot").string());
    const RunResult r = ped_prep(d, {"draw", "chain/pedigree.ped", "-o", "pic.pdf"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "wrote pic.dot: 5 individuals, 2 families\nwrote pic.pdf (dot -Tpdf)\n");
    EXPECT_EQ(d.read("dot_args.txt"), "-Tpdf pic.dot -o pic.pdf\n");
    EXPECT_EQ(d.read("pic.pdf"), "picture\n");
  }
}

TEST(PedPrepRun, ARelationshipValueAboveTheWholePedigreesMakesTheFirstChoiceToCut) {
  WorkDir d;
  d.write("in.pre", SIBMATE);
  // 3 and 4 are more closely related than the pedigree as a whole: negative weights.
  d.write("rel.txt", "0.25\n1 3 0.5\n1 4 0.5\n");
  const RunResult r = ped_prep(d, {"run", "linkage", "in.pre", "-o", "out.pre", "--weights", "rel.txt"});
  ASSERT_EQ(r.status, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("2 individuals with a relationship value above the whole pedigree's: the "
                       "negative weight is taken as 0, so each is the first choice to cut: 3 of "
                       "family 1, 4 of family 1\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("no loops left, nobody lost"), std::string::npos) << r.out;
  EXPECT_EQ(d.read("out.pre"), "1 1 0 0 1\n1 2 0 0 2\n1 3 1 2 1\n1 4 1 2 2\n1 5 3_c1 4 1\n1 3_c1 0 0 1\n");
}

}  // namespace
}  // namespace loopcut::testing
