#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

#include "common/errors.hpp"
#include "cut_improve/cut_improve.hpp"

namespace loopcut {

namespace {

// A plain decimal number of seconds, 0 or more: "10", "2.5". A year is plenty. Unset: `unset`.
double seconds_from(const char* name, double unset) {
  const char* value = std::getenv(name);
  if (value == nullptr) return unset;
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

}  // namespace

double improve_budget() { return seconds_from("LOOPCUT_IMPROVE_BUDGET", 10.0); }

double improve_wall_seconds() { return seconds_from("LOOPCUT_IMPROVE_SECONDS", -1.0); }

}  // namespace loopcut
