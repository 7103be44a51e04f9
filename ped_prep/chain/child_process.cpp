#include "ped_prep/chain/child_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/errors.hpp"
#include "ped_prep/chain/interrupts.hpp"

namespace loopcut::prep {

std::string own_directory() {
  std::error_code ec;
  const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return exe.parent_path().string();
}

namespace child_process_steps {

// The child: its own working directory, no console input, output to the pipe. It is ended when
// the thread that started it ends, as when ped_prep is killed (a thread of ped_prep waits for
// its child before ending).
[[noreturn]] void become_program(const std::string& program, const std::string& dir,
                                 const std::string& err_path, const int out_pipe[2],
                                 pid_t parent) {
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != parent) _exit(127);
  close(out_pipe[0]);
  const int in = open("/dev/null", O_RDONLY);
  const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (in < 0 || err < 0 || chdir(dir.c_str()) != 0) _exit(127);
  dup2(in, 0);
  dup2(out_pipe[1], 1);
  dup2(err, 2);
  close(in);
  close(err);
  close(out_pipe[1]);
  execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
  _exit(127);
}

// Copies the child's output to the log and hands it on line by line, until the pipe ends.
void read_lines(int fd, const std::string& log,
                const std::function<void(const std::string&)>& on_line) {
  std::ofstream log_file(log, std::ios::trunc);
  std::string pending;
  char buf[65536];
  for (;;) {
    const ssize_t got = read(fd, buf, sizeof buf);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    log_file.write(buf, got);
    pending.append(buf, static_cast<std::size_t>(got));
    std::size_t start = 0, nl;
    while ((nl = pending.find('\n', start)) != std::string::npos) {
      on_line(pending.substr(start, nl - start));
      start = nl + 1;
    }
    pending.erase(0, start);
  }
  if (!pending.empty()) on_line(pending);
}

}  // namespace child_process_steps

ChildResult run_child(const std::string& program, const std::string& dir, const std::string& log,
                      const std::function<void(const std::string&)>& on_line) {
  throw_if_interrupted();
  if (access(program.c_str(), X_OK) != 0)
    throw InputError(program, "cannot run the program (" + std::string(std::strerror(errno)) + ")");
  const std::string err_path = log + ".err";
  int out_pipe[2];
  // Closed on exec, so that a child started meanwhile by another thread does not hold this
  // pipe open and keep its reader from seeing the end.
  if (pipe2(out_pipe, O_CLOEXEC) != 0) throw InputError(program, "cannot make a pipe");
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) {
    close(out_pipe[0]);
    close(out_pipe[1]);
    throw InputError(program, "cannot start the program");
  }
  if (pid == 0) child_process_steps::become_program(program, dir, err_path, out_pipe, parent);
  close(out_pipe[1]);
  const int slot = register_child(pid);
  child_process_steps::read_lines(out_pipe[0], log, on_line);
  close(out_pipe[0]);
  // Out of the table before it is waited for: its number may then go to another process.
  unregister_child(slot);
  int raw = 0;
  while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
  }
  throw_if_interrupted();
  ChildResult r;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  std::ifstream err_in(err_path);
  std::ostringstream all;
  all << err_in.rdbuf();
  r.error = all.str();
  return r;
}

}  // namespace loopcut::prep
