#pragma once
#include <string>
#include <string_view>

namespace loopcut {

// One list-directed output line: a leading blank, then the items separated by blanks.
// Integers take the fewest digits; reals the shortest form that reads back as the same 32-bit
// value, always with a decimal point or an exponent so that it reads as a real.
class FreeLine {
 public:
  FreeLine& operator<<(int v);
  FreeLine& operator<<(float v);
  FreeLine& operator<<(std::string_view text);
  FreeLine& operator<<(const char* text) { return *this << std::string_view(text); }
  // The line, without its line end.
  const std::string& str() const { return line_; }

 private:
  void separate();
  std::string line_;
  bool first_ = true;
};

std::string format_real(float v);

// Writes the line to standard output.
void print(const FreeLine& line);

}  // namespace loopcut
