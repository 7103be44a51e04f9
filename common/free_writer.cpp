#include "common/free_writer.hpp"

#include <charconv>
#include <iostream>

namespace loopcut {

std::string format_real(float v) {
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  (void)ec;  // 64 characters always suffice for a float
  std::string s(buf, end);
  if (s.find_first_of(".eni") == std::string::npos) s += ".0";
  return s;
}

void FreeLine::separate() {
  line_ += ' ';
  first_ = false;
}

FreeLine& FreeLine::operator<<(int v) {
  separate();
  line_ += std::to_string(v);
  return *this;
}

FreeLine& FreeLine::operator<<(float v) {
  separate();
  line_ += format_real(v);
  return *this;
}

FreeLine& FreeLine::operator<<(std::string_view text) {
  separate();
  line_ += text;
  return *this;
}

void print(const FreeLine& line) { std::cout << line.str() << '\n'; }

}  // namespace loopcut
