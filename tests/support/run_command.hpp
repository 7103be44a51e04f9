#pragma once
#include <string>
#include <vector>

#include "support/run_program.hpp"

namespace loopcut::testing {

// Runs bin/<program> with arguments in the work directory, with no standard input.
RunResult run_command(const WorkDir& dir, const std::string& program,
                      const std::vector<std::string>& args);

}  // namespace loopcut::testing
