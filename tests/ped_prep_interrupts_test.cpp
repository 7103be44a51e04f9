// ped_prep signalled while the chain runs: its programs are ended and waited for, the scratch
// folder goes (or is named, with --work), OUTPUT and its list of copies stay as they were, one
// line says what happened, and ped_prep ends by the signal (128 + N in a shell).
//
// ped_prep is started on a generated pedigree whose chain takes far longer than the test, and
// signalled once one of the chain's programs runs as its child.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/pedigree_generator.hpp"
#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

namespace fs = std::filesystem;

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
const std::string kPrevious = "previous output\n";
const std::string kPreviousCopies = "previous list of copies\n";

std::string name_of(int sig) {
  return sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "SIGHUP";
}

// Starts bin/ped_prep in `d` with TMPDIR set to d/tmp, its output in d/.out and d/.err.
pid_t start_ped_prep(const WorkDir& d, const std::vector<std::string>& args) {
  const std::string bin = (fs::path(LOOPCUT_BIN_DIR) / "ped_prep").string();
  const std::string tmp = "TMPDIR=" + (d.path() / "tmp").string();
  fs::create_directory(d.path() / "tmp");
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open((d.path() / ".out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open((d.path() / ".err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || chdir(d.path().c_str()) != 0) _exit(127);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    putenv(const_cast<char*>(tmp.c_str()));
    std::vector<char*> argv = {const_cast<char*>(bin.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(bin.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

// The processes started by any thread of `pid`.
std::vector<pid_t> children_of(pid_t pid) {
  std::vector<pid_t> found;
  std::error_code ec;
  for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task", ec)) {
    std::ifstream in(task.path() / "children");
    for (pid_t child; in >> child;) found.push_back(child);
  }
  return found;
}

std::string command_of(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
  std::string name;
  std::getline(in, name);
  return name;
}

// Waits until `wanted` of the chain's programs run as children of `pid`; they are returned.
std::vector<pid_t> wait_for_chain(pid_t pid, std::size_t wanted) {
  const std::set<std::string> programs = {"cost_prep", "cut_select", "cut_improve", "ped_cut"};
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < give_up) {
    std::vector<pid_t> running;
    for (pid_t child : children_of(pid))
      if (programs.count(command_of(child))) running.push_back(child);
    if (running.size() >= wanted) return running;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return {};
}

bool process_exists(pid_t pid) { return kill(pid, 0) == 0 || errno != ESRCH; }

std::vector<std::string> entries(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// A generated pedigree of many loops whose chain runs for many seconds.
class PedPrepInterrupted : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bench::GeneratorOptions o;
    o.records = 40000;
    o.pedigrees = 8;
    pedigree_ = new std::string(bench::generate_pedigree(o).pedigree);
    // Within what one run of the chain holds, for import.
    o.records = 20000;
    importable_ = new std::string(bench::generate_pedigree(o).pedigree);
  }
  static void TearDownTestSuite() {
    delete pedigree_;
    delete importable_;
  }

  // Starts `ped_prep run` with `more` options in a new folder holding earlier outputs, and
  // signals it once `programs` of the chain run. Checks what every interrupted run must leave.
  static void interrupt(WorkDir& d, int sig, const std::vector<std::string>& more,
                        std::size_t programs, const std::string& said, int times = 1) {
    d.write("gen.ped", *pedigree_);
    d.write("out.ped", kPrevious);
    d.write("out.ped.copies.tsv", kPreviousCopies);
    std::vector<std::string> args = {"run", "chain", "gen.ped", "-o", "out.ped"};
    args.insert(args.end(), more.begin(), more.end());
    const pid_t pid = start_ped_prep(d, args);
    const std::vector<pid_t> chain = wait_for_chain(pid, programs);
    EXPECT_EQ(chain.size(), programs) << "the chain did not start";
    for (int k = 0; k < times; ++k) {
      if (k > 0) std::this_thread::sleep_for(std::chrono::microseconds(200));
      kill(pid, sig);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status << ": " << d.read(".err");
    EXPECT_EQ(WTERMSIG(status), sig);
    for (pid_t child : chain) EXPECT_FALSE(process_exists(child)) << "left running: " << child;
    EXPECT_EQ(d.read(".err"), "ped_prep: interrupted (" + name_of(sig) + "): " + said + "\n");
    EXPECT_EQ(d.read("out.ped"), kPrevious);
    EXPECT_EQ(d.read("out.ped.copies.tsv"), kPreviousCopies);
    EXPECT_FALSE(d.exists("out.ped.part"));
    EXPECT_EQ(entries(d.path() / "tmp"), std::vector<std::string>{});
  }

  static std::string* pedigree_;
  static std::string* importable_;
};

std::string* PedPrepInterrupted::pedigree_ = nullptr;
std::string* PedPrepInterrupted::importable_ = nullptr;

TEST_F(PedPrepInterrupted, EachSignalEndsTheChainAndRemovesTheScratchFolder) {
  for (int sig : kSignals) {
    SCOPED_TRACE(name_of(sig));
    WorkDir d;
    interrupt(d, sig, {}, 1, "nothing written");
  }
}

TEST_F(PedPrepInterrupted, MoreSignalsWhileCleaningUpDoNotCutItShort) {
  // As a user pressing Ctrl-C again and again: one line, and the folder removed whole.
  WorkDir d;
  interrupt(d, SIGINT, {}, 1, "nothing written", 5);
}

TEST_F(PedPrepInterrupted, EveryBatchRunningIsEnded) {
  WorkDir d;
  interrupt(d, SIGTERM, {"--batch-records", "5000", "--jobs", "2"}, 2, "nothing written");
}

TEST_F(PedPrepInterrupted, ANamedWorkFolderIsKeptAndSaidWhereWithoutTemporaryFiles) {
  WorkDir d;
  interrupt(d, SIGINT, {"--work", "w"}, 1, "nothing written; the chain's files are kept in w");
  EXPECT_TRUE(d.exists("w/pedigree.ped")) << "the chain's input stays for a look";
  for (const std::string& name : entries(d.path() / "w"))
    EXPECT_FALSE(name.ends_with(".part")) << name;
}

TEST_F(PedPrepInterrupted, ASignalBeforeTheChainEndsAtOnceWithNothingMade) {
  // Still reading: nothing of the run is on disk, and nothing is waited for.
  WorkDir d;
  d.write("gen.ped", *pedigree_);
  d.write("out.ped", kPrevious);
  const pid_t pid = start_ped_prep(d, {"run", "chain", "gen.ped", "-o", "out.ped"});
  // ped_prep has its handlers once it prints; before that the default action is the same.
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  kill(pid, SIGHUP);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(WTERMSIG(status), SIGHUP);
  const std::string err = d.read(".err");
  EXPECT_TRUE(err.empty() || err == "ped_prep: interrupted (SIGHUP): nothing written\n") << err;
  EXPECT_EQ(d.read("out.ped"), kPrevious);
  EXPECT_EQ(entries(d.path() / "tmp"), std::vector<std::string>{});
}

TEST_F(PedPrepInterrupted, AnImportedFolderIsWholeOrAbsent) {
  // However late the signal comes, DIR is either not there or holds every file of a whole
  // import, and no folder being written is left beside it.
  WorkDir whole;
  whole.write("gen.ped", *importable_);
  const pid_t done = start_ped_prep(whole, {"import", "chain", "gen.ped", "-o", "dir"});
  int status = 0;
  waitpid(done, &status, 0);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << whole.read(".err");
  const std::vector<std::string> files = entries(whole.path() / "dir");
  for (int delay_ms : {0, 50, 150, 300, 600}) {
    SCOPED_TRACE(delay_ms);
    WorkDir d;
    d.write("gen.ped", *importable_);
    const pid_t pid = start_ped_prep(d, {"import", "chain", "gen.ped", "-o", "dir"});
    std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
    kill(pid, SIGTERM);
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) == 0));
    std::vector<std::string> left = entries(d.path());
    std::erase_if(left, [](const std::string& n) { return n.starts_with("."); });
    if (d.exists("dir")) {
      EXPECT_EQ(entries(d.path() / "dir"), files);
      for (const std::string& f : files) EXPECT_EQ(d.read("dir/" + f), whole.read("dir/" + f)) << f;
      EXPECT_EQ(left, (std::vector<std::string>{"dir", "gen.ped", "tmp"}));
    } else {
      EXPECT_EQ(left, (std::vector<std::string>{"gen.ped", "tmp"}));
    }
  }
}

}  // namespace
}  // namespace loopcut::testing
