#include "common/label.hpp"

namespace loopcut {

Label make_label(std::string_view text) {
  Label l;
  l.fill(' ');
  for (std::size_t i = 0; i < text.size() && i < l.size(); ++i) l[i] = text[i];
  return l;
}

std::string trimmed(const Label& l) {
  std::string_view v = label_view(l);
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return std::string(v);
}

}  // namespace loopcut
