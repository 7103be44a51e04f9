// The user's relationship values and doubled stars, from their files to the rows of the chain.
#include "ped_prep/chain/relationships.hpp"

#include <algorithm>
#include <cstdlib>
#include <functional>

#include "common/errors.hpp"
#include "common/text_file.hpp"
#include "ped_prep/pipeline/name_index.hpp"

namespace loopcut::prep {

namespace {

// The words of a line, separated by blanks, commas, tabs or carriage returns.
void split_words(const std::string& line, std::vector<std::string_view>& w) {
  w.clear();
  const char* const separators = " ,\t\r\n\v\f";
  for (std::size_t end = 0;;) {
    const std::size_t start = line.find_first_not_of(separators, end);
    if (start == std::string::npos) break;
    end = std::min(line.find_first_of(separators, start), line.size());
    w.push_back(std::string_view(line).substr(start, end - start));
  }
}

}  // namespace

PersonValues read_relationships(const PedigreeInput& in, const std::string& weights,
                                const std::string& doubled) {
  // The people by family and identifier, and by identifier alone where it is used once.
  const int n = static_cast<int>(in.people.size());
  auto name_of = [&](int i) { return NameKey{in.people[i].family, in.people[i].id}; };
  auto id_of = [&](int i) { return NameKey{{}, in.people[i].id}; };
  NameIndex by_name(name_of, in.people.size());
  NameIndex by_id(id_of, in.people.size());
  std::vector<char> shared_id(in.people.size(), 0);
  for (int i = 0; i < n; ++i) {
    by_name.insert(i);
    const int first = by_id.insert(i);
    if (first != i) shared_id[first] = 1;
  }
  // One record per line: [family] identifier, then (for values) the value.
  auto read_lines = [&](const std::string& file, bool values,
                        const std::function<void(int, const std::string&)>& take) {
    const TextFile text = read_text_file(file);
    int line_no = 0;
    bool first = values;
    std::vector<std::string_view> w;
    for (const std::string& line : text.lines) {
      ++line_no;
      split_words(line, w);
      if (w.empty() || w[0][0] == '#') continue;
      if (first) {
        // The relationship of the whole pedigree, alone or after a star number 0.
        take(-1, std::string(w.back()));
        first = false;
        continue;
      }
      const std::size_t ids = values ? w.size() - 1 : w.size();
      if (ids < 1 || ids > 2)
        throw InputError(file + ":" + std::to_string(line_no),
                         "expected [family] identifier" + std::string(values ? " value" : ""));
      int person = ids == 2 ? by_name.find(NameKey{w[0], w[1]}) : by_id.find(NameKey{{}, w[0]});
      const bool ambiguous = ids == 1 && person >= 0 && shared_id[person];
      if (person < 0 || ambiguous) {
        std::string k =
            ids == 2 ? std::string(w[1]) + " of family " + std::string(w[0]) : std::string(w[0]);
        throw InputError(
            file + ":" + std::to_string(line_no),
            "no individual " + k +
                (ambiguous ? " (the identifier is used in several families: give the family)"
                           : ""));
      }
      take(person, values ? std::string(w.back()) : std::string());
    }
  };
  PersonValues read;
  read_lines(weights, true, [&](int person, const std::string& value) {
    char* end = nullptr;
    const float v = std::strtof(value.c_str(), &end);
    if (end == value.c_str() || *end != '\0')
      throw InputError(weights, "\"" + value + "\" is not a number");
    read.values.emplace_back(person, v);
  });
  if (!doubled.empty())
    read_lines(doubled, false,
               [&](int person, const std::string&) { read.doubled.push_back(person); });
  return read;
}

Relationships by_rows(const PersonValues& read, const Prepared& chain) {
  Relationships rel;
  for (const auto& [person, value] : read.values) {
    const int row = person < 0 ? 0 : chain.row_of[static_cast<std::size_t>(person)];
    if (person < 0 || row != 0) rel.values.emplace_back(row, value);
  }
  for (const int person : read.doubled)
    if (const int row = chain.row_of[static_cast<std::size_t>(person)]; row != 0)
      rel.doubled.push_back(row);
  return rel;
}

}  // namespace loopcut::prep
