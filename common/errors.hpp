#pragma once
#include <stdexcept>
#include <string>
#include <string_view>

namespace loopcut {

// Bad or missing input. The message has one fixed shape:
//   FILE:LINE: expected WHAT, found FOUND in "RECORD"
// (without ":LINE" and the record where there is no line, as for a file that cannot be opened).
class InputError : public std::runtime_error {
 public:
  InputError(const std::string& file, int line, const std::string& expected,
             const std::string& found, const std::string& record);
  // A file-level fault, such as a file that cannot be opened or written.
  InputError(const std::string& file, const std::string& problem);
};

// Text of an input as a message shows it: control bytes (a tab excepted) and bytes outside
// ASCII as \xNN, so that a binary or UTF-16 file puts no raw bytes on the terminal.
std::string visible(std::string_view text);

// The program stops here; its message has already been written. Carries the exit status.
struct Stop {
  int status;
};

// Writes one line to standard output (the optimiser's and cutter's messages) and stops, status 1.
[[noreturn]] void stop_with_output_line(const std::string& line);

// Writes a stop message to the error output and stops, status 1.
[[noreturn]] void stop_with_message(const std::string& message);

}  // namespace loopcut
