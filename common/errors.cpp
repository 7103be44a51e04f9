#include "common/errors.hpp"

#include <iostream>

namespace loopcut {

namespace {
std::string shape(const std::string& file, int line, const std::string& expected,
                  const std::string& found, const std::string& record) {
  std::string m = file;
  m.append(":").append(std::to_string(line)).append(": expected ").append(expected);
  m.append(", found ").append(found);
  if (!record.empty()) m.append(" in \"").append(record).append("\"");
  return m;
}
}  // namespace

InputError::InputError(const std::string& file, int line, const std::string& expected,
                       const std::string& found, const std::string& record)
    : std::runtime_error(shape(file, line, expected, found, record)) {}

InputError::InputError(const std::string& file, const std::string& problem)
    : std::runtime_error(std::string(file).append(": ").append(problem)) {}

std::string visible(std::string_view text) {
  static const char* const hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto b = static_cast<unsigned char>(c);
    if ((b < 0x20 && b != '\t') || b >= 0x7F) {
      out += "\\x";
      out += hex[b >> 4];
      out += hex[b & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

void stop_with_output_line(const std::string& line) {
  std::cout << line << '\n';
  throw Stop{1};
}

void stop_with_message(const std::string& message) {
  std::cout.flush();
  std::cerr << message << '\n';
  throw Stop{1};
}

}  // namespace loopcut
