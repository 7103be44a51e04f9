#include "ped_prep/labels.hpp"

#include <unordered_map>
#include <unordered_set>

namespace loopcut::prep {

namespace {

bool allowed(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == ':' || c == '+' || c == '#' || c == '@' || c == '-';
}

// Takes the first free name among text, text#2, text#3, ..., each cut to fit 20 characters.
std::string claim(const std::string& wanted, std::unordered_set<std::string>& used) {
  std::string text = wanted.empty() ? std::string(1, '_') : wanted.substr(0, LABEL_WIDTH);
  if (used.insert(text).second) return text;
  for (int k = 2;; ++k) {
    std::string suffix(1, '#');
    suffix.append(std::to_string(k));
    std::string c = text.substr(0, LABEL_WIDTH - suffix.size());
    c.append(suffix);
    if (used.insert(c).second) return c;
  }
}

}  // namespace

std::string safe_label_text(const std::string& text) {
  std::string s = text;
  for (char& c : s)
    if (!allowed(c)) c = '_';
  return s;
}

void assign_labels(const PedigreeInput& in, Prepared& prepared) {
  // Identifiers that occur in more than one family need the family to tell them apart.
  std::unordered_map<std::string, int> uses;
  for (const Person& p : in.people) ++uses[p.id];

  std::unordered_set<std::string> used;
  used.reserve(prepared.rows.size() * 2);
  std::vector<std::string> names(prepared.rows.size());
  // Individuals first, so that they keep their own names before any stand-in is named.
  for (int pass = 0; pass < 2; ++pass) {
    for (std::size_t r = 0; r < prepared.rows.size(); ++r) {
      const ChainRow& row = prepared.rows[r];
      if ((row.person >= 0) != (pass == 0)) continue;
      std::string text;
      if (row.person >= 0) {
        const Person& p = in.people[row.person];
        if (in.format == Format::chain && !p.extra.empty()) {
          text = p.extra;
        } else if (!p.family.empty() && uses[p.id] > 1) {
          text = p.family + "_" + p.id;
        } else {
          text = p.id;
        }
      } else {
        const std::size_t known = static_cast<std::size_t>(prepared.row_of[row.known_parent]);
        text = "u:" + names[known - 1];
      }
      names[r] = claim(safe_label_text(text), used);
    }
  }
  for (std::size_t r = 0; r < prepared.rows.size(); ++r) prepared.rows[r].kod = make_label(names[r]);
}

}  // namespace loopcut::prep
