#include "common/fixed_format.hpp"

namespace loopcut {

std::string format_i6(int v) {
  std::string digits = std::to_string(v);
  if (digits.size() > 6) return "******";
  return std::string(6 - digits.size(), ' ') + digits;
}

std::string report_line(int id, const Label& label) {
  std::string s = format_i6(id);
  s += "   ";
  s += label_view(label);
  return s;
}

std::string pedigree_line(int ped, int id, int fa, int mo, int sex, int prob, const Label& label) {
  std::string s;
  s.reserve(58);
  for (int v : {ped, id, fa, mo, sex, prob}) s += format_i6(v);
  s += "  ";
  s += label_view(label);
  return s;
}

}  // namespace loopcut
