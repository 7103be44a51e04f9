// Interrupts: a program ended by SIGINT, SIGTERM or SIGHUP removes the temporary file it was
// writing, keeps the previous output file and ends by that same signal (128 + N in a shell).
//
// The writer's part is checked in a forked copy of this process that signals itself half-way
// through a file. The programs are then started on a generated pedigree, stopped (SIGSTOP) the
// moment their temporary file appears, signalled and let go; a run that finished its file before
// it could be stopped must have left the new file whole, and the run is tried again.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bench/pedigree_generator.hpp"
#include "common/files.hpp"
#include "common/interrupts.hpp"
#include "support/run_program.hpp"

namespace loopcut::testing {
namespace {

namespace fs = std::filesystem;

const std::string kPrevious = "previous complete file\n";
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

std::string signal_name(int sig) { return sig == SIGINT ? "SIGINT" : sig == SIGTERM ? "SIGTERM" : "SIGHUP"; }

std::vector<std::string> temporary_files(const WorkDir& d) {
  std::vector<std::string> found;
  for (const auto& e : fs::directory_iterator(d.path())) {
    const std::string name = e.path().filename().string();
    if (name.ends_with(".part")) found.push_back(name);
  }
  return found;
}

// ---- The writer, in a forked copy of this process.

// Runs `body` in a child process in `dir` and returns its wait status; a body that returns
// ends the child with status 0.
int in_child(const WorkDir& dir, const std::function<void()>& body) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(120);
    try {
      body();
    } catch (...) {
      _exit(121);
    }
    _exit(0);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return status;
}

TEST(InterruptedOutput, TheTemporaryFileGoesAndThePreviousFileStays) {
  for (int sig : kSignals) {
    SCOPED_TRACE(signal_name(sig));
    WorkDir d;
    d.write("out.dat", kPrevious);
    const int status = in_child(d, [sig] {
      remove_part_files_on_interrupt();
      OutputFile out("out.dat", OutputFile::Mode::replace_when_done);
      out.line("new line");
      out.finish();
      raise(sig);
      out.commit();
    });
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(d.read("out.dat"), kPrevious);
    EXPECT_EQ(temporary_files(d), std::vector<std::string>{});
  }
}

TEST(InterruptedOutput, FilesPutInPlaceTogetherAreAllNewOrAllOld) {
  WorkDir d;
  d.write("a.dat", kPrevious);
  d.write("b.dat", kPrevious);
  const int status = in_child(d, [] {
    remove_part_files_on_interrupt();
    OutputFile a("a.dat", OutputFile::Mode::replace_when_done);
    OutputFile b("b.dat", OutputFile::Mode::replace_when_done);
    a.line("new a");
    b.line("new b");
    const InterruptsHeld held;
    a.commit();
    raise(SIGTERM);
    b.commit();
  });
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(WTERMSIG(status), SIGTERM);
  EXPECT_EQ(d.read("a.dat"), "new a\n");
  EXPECT_EQ(d.read("b.dat"), "new b\n");
  EXPECT_EQ(temporary_files(d), std::vector<std::string>{});
}

TEST(InterruptedOutput, AnIgnoredHangUpStaysIgnored) {
  WorkDir d;
  d.write("out.dat", kPrevious);
  const int status = in_child(d, [] {
    signal(SIGHUP, SIG_IGN);  // as under nohup
    remove_part_files_on_interrupt();
    OutputFile out("out.dat", OutputFile::Mode::replace_when_done);
    out.line("new line");
    raise(SIGHUP);
    out.commit();
  });
  ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
  EXPECT_EQ(WEXITSTATUS(status), 0);
  EXPECT_EQ(d.read("out.dat"), "new line\n");
}

TEST(InterruptedOutput, AFileAlreadyInPlaceIsNotTouched) {
  WorkDir d;
  const int status = in_child(d, [] {
    remove_part_files_on_interrupt();
    OutputFile done("done.dat", OutputFile::Mode::replace_when_done);
    done.line("done");
    done.commit();
    // Interrupted while writing the next file: only that one's temporary file goes.
    OutputFile next("next.dat", OutputFile::Mode::replace_when_done);
    next.line("half");
    raise(SIGINT);
  });
  ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
  EXPECT_EQ(d.read("done.dat"), "done\n");
  EXPECT_FALSE(d.exists("next.dat"));
  EXPECT_EQ(temporary_files(d), std::vector<std::string>{});
}

// ---- The programs, started as a user would.

struct Started {
  pid_t pid = -1;
  int out = -1;  // the read end of its standard output
};

// Starts bin/<program> in the directory with `env` added, its standard output a pipe that is
// read only once the test is done with it (a program that writes much waits there).
Started start(const WorkDir& d, const std::string& program, const std::vector<std::string>& env) {
  const std::string bin = (fs::path(LOOPCUT_BIN_DIR) / program).string();
  std::vector<std::string> vars = env;
  for (char** e = environ; *e != nullptr; ++e) vars.emplace_back(*e);
  std::vector<char*> envp;
  for (std::string& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  // Small, so that a program writing lines while its output file is open waits there.
  fcntl(fds[0], F_SETPIPE_SZ, 4096);
  const pid_t pid = fork();
  if (pid == 0) {
    const int null_in = open("/dev/null", O_RDONLY);
    const int err = open((d.path() / ".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (null_in < 0 || err < 0 || chdir(d.path().c_str()) != 0) _exit(127);
    dup2(null_in, 0);
    dup2(fds[1], 1);
    dup2(err, 2);
    close(fds[0]);
    char* argv[] = {const_cast<char*>(bin.c_str()), nullptr};
    execve(bin.c_str(), argv, envp.data());
    _exit(127);
  }
  close(fds[1]);
  return {pid, fds[0]};
}

bool has_ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == pid;
}

// Watches for the file and stops the program the moment it is there. True when the program was
// stopped with the file present, that is, part-way through writing it.
bool stop_while_writing(const WorkDir& d, const std::string& name, pid_t pid) {
  const fs::path path = d.path() / name;
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(path)) {
    if (has_ended(pid) || std::chrono::steady_clock::now() > give_up) return false;
  }
  kill(pid, SIGSTOP);
  return fs::exists(path) && !has_ended(pid);
}

// Sends the signal, lets a stopped program go on, reads its output and returns its wait status.
int signal_and_wait(Started& s, int sig) {
  kill(s.pid, sig);
  kill(s.pid, SIGCONT);
  char buf[4096];
  while (read(s.out, buf, sizeof buf) > 0) {
  }
  close(s.out);
  int status = 0;
  waitpid(s.pid, &status, 0);
  return status;
}

// The outputs a program writes, with what they hold.
using Files = std::vector<std::pair<std::string, std::string>>;

Files read_files(const WorkDir& d, const Files& names) {
  Files now;
  for (const auto& [name, content] : names) now.emplace_back(name, d.read(name));
  return now;
}

// A generated pedigree of many loops and its chain inputs, and what each program writes from
// them when it runs to the end.
class InterruptedProgram : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    bench::GeneratorOptions o;
    o.records = 12000;
    o.pedigrees = 200;
    files_ = new bench::GeneratedFiles(bench::generate_pedigree(o));
    done_ = new WorkDir;
    write_inputs(*done_);
    for (const char* program : {"cost_prep", "cut_select", "ped_cut"}) {
      const RunResult r = done_->run(program);
      ASSERT_EQ(r.status, 0) << program << ": " << r.err;
    }
  }
  static void TearDownTestSuite() {
    delete done_;
    delete files_;
  }

  static void write_inputs(const WorkDir& d) {
    d.write("gen.ped", files_->pedigree);
    d.write("gen.w", files_->weights);
    d.write("rrr.dat", files_->rrr);
    d.write("stars.lst", files_->list);
    d.write("task.inp", "gen.ped\ngen.w\ngen.cut\n");
    d.write("task_w_fin.inp", std::to_string(files_->records) + "\nstars.lst\n");
  }

  // Runs the program with every signal until it is caught writing `part` and ends by the
  // signal with the previous `outputs` kept. Whenever it is not caught in time, its outputs must
  // all be the previous ones or all be those of a whole run.
  static void interrupt_while_writing(const std::string& program, const std::string& part,
                                      const Files& outputs) {
    const Files finished = read_files(*done_, outputs);
    for (int sig : kSignals) {
      SCOPED_TRACE(program + " " + signal_name(sig));
      bool kept = false;
      for (int attempt = 0; attempt < 50 && !kept; ++attempt) {
        WorkDir d;
        write_inputs(d);
        d.write("res.dat", done_->read("res.dat"));
        for (const auto& [name, content] : outputs) d.write(name, content);
        Started s = start(d, program, {});
        const bool caught = stop_while_writing(d, part, s.pid);
        const int status = signal_and_wait(s, sig);
        const bool by_signal = WIFSIGNALED(status) && WTERMSIG(status) == sig;
        if (caught) {
          EXPECT_TRUE(by_signal) << "status " << status;
        }
        EXPECT_EQ(temporary_files(d), std::vector<std::string>{});
        const Files now = read_files(d, outputs);
        EXPECT_TRUE(now == outputs || now == finished) << "outputs neither all old nor all new";
        kept = by_signal && now == outputs;
      }
      EXPECT_TRUE(kept) << "never interrupted while writing " << part;
    }
  }

  static bench::GeneratedFiles* files_;
  static WorkDir* done_;
};

bench::GeneratedFiles* InterruptedProgram::files_ = nullptr;
WorkDir* InterruptedProgram::done_ = nullptr;

TEST_F(InterruptedProgram, PedCutKeepsThePreviousCutPedigreeFile) {
  interrupt_while_writing("ped_cut", "gen.cut.part", {{"gen.cut", kPrevious}});
}

TEST_F(InterruptedProgram, CostPrepKeepsThePreviousWeightFilesAsASet) {
  interrupt_while_writing("cost_prep", "w_res.dat.part",
                          {{"w_res.dat", kPrevious}, {"w_0.dat", kPrevious},
                           {"w_s.dat", kPrevious}, {"w_l.dat", kPrevious}});
}

TEST_F(InterruptedProgram, CutImproveKeepsTheGivenReport) {
  // Its search result depends on the clock, so a run that is not caught is not compared.
  const std::string given = done_->read("res.dat");
  for (int sig : kSignals) {
    SCOPED_TRACE(signal_name(sig));
    WorkDir d;
    write_inputs(d);
    d.write("res.dat", given);
    Started s = start(d, "cut_improve", {"LOOPCUT_IMPROVE_SECONDS=0"});
    // Its lines per pedigree, written while the report is open, fill the pipe: it waits there.
    const bool caught = stop_while_writing(d, "res.dat.part", s.pid);
    const int status = signal_and_wait(s, sig);
    EXPECT_TRUE(caught);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(d.read("res.dat"), given);
    EXPECT_EQ(temporary_files(d), std::vector<std::string>{});
  }
}

TEST_F(InterruptedProgram, CutSelectEndsByTheSignal) {
  // Its report is written in place as it goes: the lines of the pedigrees done stay.
  for (int sig : kSignals) {
    SCOPED_TRACE(signal_name(sig));
    WorkDir d;
    write_inputs(d);
    d.write("res.dat", kPrevious);
    Started s = start(d, "cut_select", {});
    // It waits on its full standard output long before its last pedigree.
    std::string seen;
    char buf[256];
    ssize_t n = 1;
    while (n > 0 && seen.find("STEP") == std::string::npos) {
      n = read(s.out, buf, sizeof buf);
      if (n > 0) seen.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_GT(n, 0) << "ended before its first step";
    const int status = signal_and_wait(s, sig);
    ASSERT_TRUE(WIFSIGNALED(status)) << "status " << status;
    EXPECT_EQ(WTERMSIG(status), sig);
    EXPECT_EQ(temporary_files(d), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace loopcut::testing
