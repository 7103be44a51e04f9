#include "common/fixed_format.hpp"

namespace loopcut {

bool read_report_columns(std::string_view line, int& id, Label& label) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  if (line.size() != 29 || line.substr(6, 3) != "   ") return false;
  std::string_view field = line.substr(0, 6);
  const std::size_t start = field.find_first_not_of(' ');
  if (start == std::string_view::npos) return false;
  field.remove_prefix(start);
  bool negative = false;
  if (field.front() == '+' || field.front() == '-') {
    negative = field.front() == '-';
    field.remove_prefix(1);
  }
  if (field.empty()) return false;
  int value = 0;
  for (char c : field) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  id = negative ? -value : value;
  label = make_label(line.substr(9, 20));
  return true;
}

bool holds_no_item(std::string_view line) {
  return line.find_first_not_of(" \t\r\v\f,") == std::string_view::npos;
}

}  // namespace loopcut
