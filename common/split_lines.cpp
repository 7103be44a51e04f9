#include <sstream>

#include "common/line_reader.hpp"

namespace loopcut {

std::vector<std::string> split_lines(const std::string& text) {
  std::istringstream in(text);
  LineReader reader(in);
  std::vector<std::string> lines;
  for (std::string line; reader.next(line);) lines.push_back(line);
  return lines;
}

}  // namespace loopcut
