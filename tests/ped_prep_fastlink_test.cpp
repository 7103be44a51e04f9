// FASTLINK's unknown and mlink run on the post-makeped files written: the copies tied to their
// originals give the likelihood that FASTLINK finds with breakers of its own.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const std::string FIXTURES = std::string(LOOPCUT_FIXTURES) + "/fastlink/";

std::string slurp(const fs::path& p) {
  std::ifstream in(p);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A fresh directory of its own for each run of the programs, which write fixed-name files.
fs::path fresh_dir(const std::string& name) {
  std::string tmpl = (fs::temp_directory_path() / ("fastlink-" + name + "-XXXXXX")).string();
  if (!mkdtemp(tmpl.data())) ADD_FAILURE() << "no temporary directory";
  return tmpl;
}

// The likelihood lines of mlink on `pedfile`; with `own_breakers`, unknown -l breaks its loops
// first. Empty when a program failed.
std::string likelihoods(const std::string& set, const fs::path& pedfile, bool own_breakers) {
  const fs::path dir = fresh_dir(set);
  fs::copy_file(pedfile, dir / "pedfile.dat");
  fs::copy_file(FIXTURES + set + "/datafile.dat", dir / "datafile.dat");
  std::string script = "cd '" + dir.string() + "' && ";
  // On an input error FASTLINK's programs wait for Enter: with no input they fail instead.
  if (own_breakers)
    script += "unknown -l </dev/null >/dev/null 2>&1 && mv lpedfile.dat pedfile.dat && ";
  script += "unknown </dev/null >/dev/null 2>&1 && mlink </dev/null >/dev/null 2>&1 && "
            "grep 'LOD SCORE' outfile.dat "
            "> lods.txt";
  const bool ran = std::system(script.c_str()) == 0;
  const std::string lods = ran ? slurp(dir / "lods.txt") : "";
  fs::remove_all(dir);
  return lods;
}

// The lods of mlink on `set`'s pedigree cut by ped_prep --to makeped (with `options`) equal those
// of FASTLINK's own breakers, and the same file with its copies untied gives others.
void expect_tied_copies_give_fastlinks_likelihood(const std::string& set,
                                                  const std::string& options = "--no-improve") {
  ASSERT_EQ(std::system("command -v unknown >/dev/null && command -v mlink >/dev/null"), 0)
      << "FASTLINK's unknown and mlink are missing: install Debian's fastlink "
         "(tests/run.sh does)";
  const fs::path dir = fresh_dir("cut-" + set);
  const std::string out = (dir / "cut.ped").string();
  const std::string cmd = std::string(LOOPCUT_BIN_DIR) + "/ped_prep run linkage '" + FIXTURES +
                          set + "/pedin.pre' -o '" + out + "' --to makeped " + options + " >/dev/null";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  // The same file with column 9 cleared: the copy an unrelated founder.
  std::ifstream tied(out);
  std::ofstream untied(dir / "untied.ped");
  for (std::string line; std::getline(tied, line);) {
    std::istringstream fields(line);
    std::string f, row;
    for (int c = 0; fields >> f; ++c) row += (c ? " " : "") + (c == 8 && f != "1" ? "0" : f);
    untied << row << '\n';
  }
  untied.close();
  const std::string ours = likelihoods(set, out, false);
  const std::string own = likelihoods(set, FIXTURES + set + "/unbroken.ped", true);
  const std::string apart = likelihoods(set, dir / "untied.ped", false);
  fs::remove_all(dir);
  ASSERT_FALSE(ours.empty());
  EXPECT_EQ(ours, own);
  EXPECT_NE(apart, own);
}

TEST(PedPrepFastlink, TiedCopiesGiveFastlinksOwnLikelihoodAndUntiedOnesDoNot) {
  expect_tied_copies_give_fastlinks_likelihood("cousins");
}

// Six loops, several marriages, typed and untyped breakers.
TEST(PedPrepFastlink, TheDarwinWedgwoodCutGivesFastlinksOwnLikelihood) {
  expect_tied_copies_give_fastlinks_likelihood("darwin");
}

// The cut of the genotypes that elimination leaves, priced by FASTLINK's own locus file: other
// breakers than the unit weights' (all of them typed), the same likelihood.
TEST(PedPrepFastlink, TheGenotypeWeightCutOfDarwinWedgwoodGivesFastlinksOwnLikelihood) {
  expect_tied_copies_give_fastlinks_likelihood(
      "darwin", "--genotypes '" + FIXTURES + "darwin/datafile.dat'");
}

}  // namespace
