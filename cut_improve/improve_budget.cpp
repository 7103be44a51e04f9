#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/errors.hpp"
#include "cut_improve/cut_improve.hpp"

namespace loopcut {

Deadline::Deadline(double seconds)
    : end_(std::chrono::steady_clock::now() +
           std::chrono::duration_cast<std::chrono::steady_clock::duration>(
               std::chrono::duration<double>(seconds))) {}

double Deadline::seconds_left() const {
  const auto left = end_ - std::chrono::steady_clock::now();
  return std::max(0.0, std::chrono::duration<double>(left).count());
}

// A plain decimal number of seconds, 0 or more: "10", "2.5". A year is plenty.
double improve_budget() {
  const char* name = "LOOPCUT_IMPROVE_SECONDS";
  const char* value = std::getenv(name);
  if (value == nullptr) return 10.0;
  const std::string text = value;
  const bool plain = !text.empty() && text.find_first_not_of("0123456789.") == std::string::npos &&
                     text.find('.') == text.rfind('.') && text != ".";
  char* end = nullptr;
  errno = 0;
  const double seconds = plain ? std::strtod(text.c_str(), &end) : -1.0;
  if (!plain || errno != 0 || *end != '\0' || !std::isfinite(seconds) || seconds > 31536000.0) {
    stop_with_message(std::string(name) + ": expected a number of seconds (0 or more), found \"" +
                      text + "\"");
  }
  return seconds;
}

}  // namespace loopcut
