#include "support/run_command.hpp"

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>

namespace loopcut::testing {

namespace {
std::string shell_quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) {
    if (c == '\'') q += "'\\''";
    else q += c;
  }
  return q + "'";
}
}  // namespace

RunResult run_command(const WorkDir& dir, const std::string& program,
                      const std::vector<std::string>& args) {
  const std::filesystem::path bin = std::filesystem::path(LOOPCUT_BIN_DIR) / program;
  std::string cmd = "cd " + shell_quoted(dir.path().string()) + " && " + shell_quoted(bin.string());
  for (const std::string& a : args) cmd += " " + shell_quoted(a);
  cmd += " </dev/null >.cmd_stdout 2>.cmd_stderr";
  RunResult r;
  const int raw = std::system(cmd.c_str());
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  r.out = dir.read(".cmd_stdout");
  r.err = dir.read(".cmd_stderr");
  std::filesystem::remove(dir.path() / ".cmd_stdout");
  std::filesystem::remove(dir.path() / ".cmd_stderr");
  return r;
}

}  // namespace loopcut::testing
