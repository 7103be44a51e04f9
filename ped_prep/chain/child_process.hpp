#pragma once
#include <functional>
#include <string>

namespace loopcut::prep {

struct ChildResult {
  int status = -1;        // exit status, or 128 + signal
  std::string error;      // what the program wrote to its error output
};

// Runs `program` (a path) without arguments in `dir`, with no standard input. Every line of its
// standard output goes to `log` (a file, replaced) and to on_line as it arrives; its error
// output is collected. Fails with an error naming the program when it cannot be started.
ChildResult run_child(const std::string& program, const std::string& dir, const std::string& log,
                      const std::function<void(const std::string&)>& on_line);

// The directory of the running executable.
std::string own_directory();

}  // namespace loopcut::prep
