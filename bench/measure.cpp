// measure: runs a command and records its wall time in seconds and its peak memory in MB.
//   measure RESULT_FILE COMMAND [ARGS...]
// The command's own output goes where measure's goes; RESULT_FILE receives one line
// "WALL_SECONDS PEAK_MB STATUS". The exit status is the command's.
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: measure RESULT_FILE COMMAND [ARGS...]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    return 2;
  }
  if (pid == 0) {
    execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    _exit(127);
  }
  int raw = 0;
  struct rusage usage {};
  if (wait4(pid, &raw, 0, &usage) < 0) {
    std::perror("wait4");
    return 2;
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  std::FILE* out = std::fopen(argv[1], "w");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 2;
  }
  std::fprintf(out, "%.3f %.1f %d\n", wall, static_cast<double>(usage.ru_maxrss) / 1024.0, status);
  std::fclose(out);
  return status;
}
