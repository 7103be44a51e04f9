#include "common/text_values.hpp"

namespace loopcut {

std::string shown_text(std::string_view text) {
  return text.size() > 80 ? std::string(text.substr(0, 80)) + "..." : std::string(text);
}

std::optional<int> whole_number(std::string_view text) {
  if (text.empty() || text.size() > 9 ||
      text.find_first_not_of("0123456789") != std::string_view::npos)
    return std::nullopt;
  int value = 0;
  for (const char c : text) value = value * 10 + (c - '0');
  return value;
}

}  // namespace loopcut
