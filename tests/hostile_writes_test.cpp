// Output that cannot be written: a name that is a directory, a full disk (a symlink to
// /dev/full, written directly as every device is), a directory that does not exist, a link in
// the place of the temporary file. Each program stops with status 1 and a message
// naming the file; a file written under a temporary name leaves the previous file whole and no
// temporary file behind. res.dat is written in place, so it has no previous file to keep.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

namespace fs = std::filesystem;

// One looped pedigree: the cousins cousin_a and cousin_b have a child.
const std::string kPeds =
    "ped id fa mo sex kod\n"
    "1 1 0 0 1 grandfather\n"
    "1 2 0 0 2 grandmother\n"
    "1 3 1 2 1 son\n"
    "1 4 1 2 2 daughter\n"
    "1 5 0 0 2 son_wife\n"
    "1 6 0 0 1 daughter_husband\n"
    "1 7 3 5 1 cousin_a\n"
    "1 8 6 4 2 cousin_b\n"
    "1 9 7 8 1 child\n";
const std::string kWeights = "1 1.1\n2 1.2\n3 1.3\n4 1.4\n5 1.5\n6 1.6\n7 1.7\n8 1.8\n9 1.9\n";
const std::string kReport = "     3   son                 \n";
const std::string kPrevious = "previous complete file\n";

void write_chain_inputs(const WorkDir& d, const std::string& cut_name = "cut.dat") {
  d.write("task.inp", "peds.dat\nweights.dat\n" + cut_name + "\n");
  d.write("peds.dat", kPeds);
  d.write("weights.dat", kWeights);
}

void write_weight_inputs(const WorkDir& d) {
  d.write("task_w_fin.inp", "3\nlist.dat\n");
  d.write("rrr.dat", "0 0.25\n1 0.1875\n2 0.2\n3 0.1\n");
  d.write("list.dat", "2\n");
}

void link_to(const WorkDir& d, const std::string& name, const fs::path& target) {
  fs::create_symlink(target, d.path() / name);
}

void expect_no_temporary_files(const WorkDir& d) {
  for (const auto& e : fs::directory_iterator(d.path())) {
    const std::string name = e.path().filename().string();
    EXPECT_FALSE(name.size() > 5 && name.ends_with(".part")) << name << " left behind";
  }
}

const std::string kFull = ": write failed (No space left on device)\n";
const std::string kNoDir = ": cannot open for writing (No such file or directory)\n";
const std::string kIsDir = ": cannot write: it is a directory\n";
std::string kPartInTheWay(const std::string& part) {
  return ": cannot write the temporary file " + part +
         ": something that is not a file is in its place (remove it)\n";
}

TEST(HostileCutSelect, ReportThatCannotBeWrittenStopsWithItsName) {
  {
    SCOPED_TRACE("res.dat is a directory");
    WorkDir d;
    write_chain_inputs(d);
    fs::create_directory(d.path() / "res.dat");
    const RunResult r = d.run("cut_select");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "res.dat" + kIsDir);
    EXPECT_EQ(r.out, " READING of initial data\n");  // stopped before the first pedigree
    EXPECT_TRUE(fs::is_directory(d.path() / "res.dat"));
  }
  {
    SCOPED_TRACE("full disk");
    WorkDir d;
    write_chain_inputs(d);
    link_to(d, "res.dat", "/dev/full");
    const RunResult r = d.run("cut_select");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "res.dat" + kFull);
  }
  {
    SCOPED_TRACE("res.dat leads into a directory that does not exist");
    WorkDir d;
    write_chain_inputs(d);
    link_to(d, "res.dat", "no_such_dir/res.dat");
    const RunResult r = d.run("cut_select");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "res.dat" + kNoDir);
    EXPECT_FALSE(fs::exists(d.path() / "no_such_dir"));
  }
}

TEST(HostilePedCut, CutPedigreeFileThatCannotBeWrittenKeepsThePreviousOne) {
  {
    SCOPED_TRACE("the cut pedigree file is a directory");
    WorkDir d;
    write_chain_inputs(d);
    d.write("res.dat", kReport);
    fs::create_directory(d.path() / "cut.dat");
    const RunResult r = d.run("ped_cut");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cut.dat" + kIsDir);
    EXPECT_TRUE(fs::is_directory(d.path() / "cut.dat"));
    expect_no_temporary_files(d);
  }
  {
    SCOPED_TRACE("full disk: a device is written directly");
    WorkDir d;
    write_chain_inputs(d);
    d.write("res.dat", kReport);
    link_to(d, "cut.dat", "/dev/full");
    const RunResult r = d.run("ped_cut");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cut.dat" + kFull);
    EXPECT_TRUE(fs::is_symlink(d.path() / "cut.dat"));
    expect_no_temporary_files(d);
  }
  {
    SCOPED_TRACE("a link in the place of the temporary file is not written through");
    WorkDir d;
    write_chain_inputs(d);
    d.write("res.dat", kReport);
    d.write("cut.dat", kPrevious);
    link_to(d, "cut.dat.part", "/dev/full");
    const RunResult r = d.run("ped_cut");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "cut.dat" + kPartInTheWay("cut.dat.part"));
    EXPECT_EQ(d.read("cut.dat"), kPrevious);
    EXPECT_TRUE(fs::is_symlink(d.path() / "cut.dat.part"));
  }
  {
    SCOPED_TRACE("a directory of the path does not exist");
    WorkDir d;
    write_chain_inputs(d, "'no_such_dir/cut.dat'");  // quoted: a slash would end the name
    d.write("res.dat", kReport);
    const RunResult r = d.run("ped_cut");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "no_such_dir/cut.dat" + kNoDir);
    EXPECT_FALSE(fs::exists(d.path() / "no_such_dir"));
  }
  {
    SCOPED_TRACE("the same runs write the file when nothing is in the way");
    WorkDir d;
    write_chain_inputs(d);
    d.write("res.dat", kReport);
    d.write("cut.dat", kPrevious);
    const RunResult r = d.run("ped_cut");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(d.read("cut.dat"), kPrevious);
    expect_no_temporary_files(d);
  }
}

TEST(HostilePedCut, ACutPedigreeFileThatIsAnInputIsRefused) {
  WorkDir d;
  write_chain_inputs(d, "'./peds.dat'");
  d.write("res.dat", kReport);
  const RunResult r = d.run("ped_cut");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "./peds.dat: the cut pedigree file would replace the input peds.dat\n");
  EXPECT_EQ(d.read("peds.dat"), kPeds);
}

TEST(HostileCostPrep, WeightFileThatCannotBeWrittenKeepsThePreviousOne) {
  const std::string names[] = {"w_res.dat", "w_0.dat", "w_s.dat", "w_l.dat"};
  {
    SCOPED_TRACE("w_0.dat is a directory");
    WorkDir d;
    write_weight_inputs(d);
    for (const std::string& n : names)
      if (n != "w_0.dat") d.write(n, kPrevious);
    fs::create_directory(d.path() / "w_0.dat");
    const RunResult r = d.run("cost_prep");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "w_0.dat" + kIsDir);
    for (const std::string& n : names)
      if (n != "w_0.dat") {
        EXPECT_EQ(d.read(n), kPrevious) << n;
      }
    expect_no_temporary_files(d);
  }
  {
    // The first file committed: none has been replaced yet when it fails.
    SCOPED_TRACE("full disk under w_res.dat");
    WorkDir d;
    write_weight_inputs(d);
    for (const std::string& n : names)
      if (n != "w_res.dat") d.write(n, kPrevious);
    link_to(d, "w_res.dat", "/dev/full");
    const RunResult r = d.run("cost_prep");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "w_res.dat" + kFull);
    for (const std::string& n : names)
      if (n != "w_res.dat") {
        EXPECT_EQ(d.read(n), kPrevious) << n;
      }
    expect_no_temporary_files(d);
  }
  {
    // The last of the four files: all are complete before any replaces its old version, so the
    // old set stays whole.
    SCOPED_TRACE("full disk under w_l.dat");
    WorkDir d;
    write_weight_inputs(d);
    for (const std::string& n : names)
      if (n != "w_l.dat") d.write(n, kPrevious);
    link_to(d, "w_l.dat", "/dev/full");
    const RunResult r = d.run("cost_prep");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "w_l.dat" + kFull);
    for (const std::string& n : names)
      if (n != "w_l.dat") {
        EXPECT_EQ(d.read(n), kPrevious) << n;
      }
    expect_no_temporary_files(d);
  }
  {
    SCOPED_TRACE("w_s.dat leads into a directory that does not exist");
    WorkDir d;
    write_weight_inputs(d);
    link_to(d, "w_s.dat", "no_such_dir/w_s.dat");
    const RunResult r = d.run("cost_prep");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "w_s.dat" + kNoDir);
    EXPECT_FALSE(fs::exists(d.path() / "no_such_dir"));
    for (const std::string& n : names)
      if (n != "w_s.dat") {
        EXPECT_FALSE(d.exists(n)) << n;
      }
  }
}

// Standard output that cannot be written is a failure too, whatever the program.
TEST(HostileOutput, FullStandardOutputEndsWithStatusOne) {
  for (const char* prog : {"cut_select", "ped_cut", "cost_prep"}) {
    SCOPED_TRACE(prog);
    WorkDir d;
    write_chain_inputs(d);
    d.write("res.dat", kReport);
    write_weight_inputs(d);
    const fs::path bin = fs::path(LOOPCUT_BIN_DIR) / prog;
    const std::string cmd = "cd '" + d.path().string() + "' && '" + bin.string() +
                            "' </dev/null >/dev/full 2>.stderr";
    const int raw = std::system(cmd.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 1);
    EXPECT_EQ(d.read(".stderr"), "standard output: write failed\n");
  }
}

}  // namespace
}  // namespace loopcut::testing
