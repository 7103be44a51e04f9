#include "ped_prep/pipeline/labels.hpp"

#include "ped_prep/pipeline/name_index.hpp"

namespace loopcut::prep {

namespace {

bool allowed(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '.' || c == ':' || c == '+' || c == '#' || c == '@' || c == '-';
}

// Row `row` takes the first free name among text, text#2, text#3, ..., each cut to fit 20
// characters; `used` indexes the rows named so far by their names.
template <class Used>
void claim(const std::string& wanted, int row, std::vector<std::string>& names, Used& used) {
  std::string text = wanted.empty() ? std::string(1, '_') : wanted.substr(0, LABEL_WIDTH);
  for (int k = 1;; ++k) {
    std::string c = text;
    if (k > 1) {
      std::string suffix(1, '#');
      suffix.append(std::to_string(k));
      c = text.substr(0, LABEL_WIDTH - suffix.size());
      c.append(suffix);
    }
    if (used.find(NameKey{c, {}}) >= 0) continue;
    names[static_cast<std::size_t>(row)] = std::move(c);
    used.insert(row);
    return;
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
  const int people = static_cast<int>(in.people.size());
  auto id_of = [&](int i) { return NameKey{in.people[i].id, {}}; };
  NameIndex by_id(id_of, in.people.size());
  std::vector<char> shared_id(in.people.size(), 0);
  for (int i = 0; i < people; ++i) {
    const int first = by_id.insert(i);
    if (first != i) shared_id[first] = 1;
  }
  auto id_repeats = [&](const std::string& id) { return shared_id[by_id.find(NameKey{id, {}})] != 0; };

  std::vector<std::string> names(prepared.rows.size());
  auto name_of_row = [&](int r) { return NameKey{names[r], {}}; };
  NameIndex used(name_of_row, prepared.rows.size());
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
        } else if (!p.family.empty() && id_repeats(p.id)) {
          text = p.family + "_" + p.id;
        } else {
          text = p.id;
        }
      } else {
        const std::size_t known = static_cast<std::size_t>(prepared.row_of[row.known_parent]);
        text = "u:" + names[known - 1];
      }
      claim(safe_label_text(text), static_cast<int>(r), names, used);
    }
  }
  for (std::size_t r = 0; r < prepared.rows.size(); ++r) prepared.rows[r].kod = make_label(names[r]);
}

}  // namespace loopcut::prep
