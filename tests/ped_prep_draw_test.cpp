// ped_prep draw (ped_prep/commands/draw_command): loops, breakers and copies marked, and pictures
// of a pedigree with or without Graphviz.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/ped_prep_samples.hpp"
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

const char* const LINKAGE = LINKAGE_TWO_FAMILIES;

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

TEST(PedPrepDraw, MarksLoopsBreakersAndCopies) {
  WorkDir d;
  d.write("in.pre", LINKAGE);
  ASSERT_EQ(ped_prep(d, {"import", "linkage", "in.pre", "-o", "out"}).status, 0);
  ASSERT_EQ(ped_prep(d, {"run", "chain", "out/pedigree.ped", "-o", "cut.ped"}).status, 0);
  ASSERT_EQ(ped_prep(d, {"draw", "out/pedigree.ped", "-o", "in.dot", "--pedigree", "2"}).status, 0);
  const std::string in = d.read("in.dot");
  EXPECT_EQ(in.rfind("digraph pedigree {", 0), 0u);
  EXPECT_NE(in.find("fillcolor=gold"), std::string::npos) << "individuals on loops are shaded";
  EXPECT_EQ(in.find("A_1"), std::string::npos) << "only pedigree 2 is drawn";

  ASSERT_EQ(ped_prep(d, {"draw", "out/pedigree.ped", "cut.ped", "-o", "cut.dot"}).status, 0);
  const std::string cut = d.read("cut.dot");
  EXPECT_NE(cut.find("(breaker)\", shape="), std::string::npos) << cut;
  EXPECT_NE(cut.find("(copy)\", shape="), std::string::npos) << cut;
  EXPECT_EQ(ped_prep(d, {"draw", "out/pedigree.ped", "-o", "x.dot", "--pedigree", "9"}).status, 1);
}

}  // namespace
}  // namespace loopcut::testing
