#pragma once
#include <functional>

namespace loopcut {

// Runs a program's main sequence and turns every way it can end into an exit status:
// 0 at the normal end, the status of a Stop, and 1 with one line on the error output for an
// input or file error.
int run_program(const std::function<void()>& body);

}  // namespace loopcut
