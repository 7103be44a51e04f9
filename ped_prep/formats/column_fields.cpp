// The fields of a whitespace-separated record line.
#include "ped_prep/formats/column_fields.hpp"

namespace loopcut::prep {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

std::vector<std::string_view> split_fields(std::string_view line, std::size_t count,
                                           std::string_view& rest) {
  std::vector<std::string_view> fields;
  std::size_t pos = 0;
  while (fields.size() < count) {
    while (pos < line.size() && is_space(line[pos])) ++pos;
    if (pos == line.size()) break;
    std::size_t start = pos;
    while (pos < line.size() && !is_space(line[pos])) ++pos;
    fields.push_back(line.substr(start, pos - start));
  }
  while (pos < line.size() && is_space(line[pos])) ++pos;
  rest = line.substr(pos);
  while (!rest.empty() && is_space(rest.back())) rest.remove_suffix(1);
  return fields;
}

std::size_t count_fields(std::string_view line) {
  std::string_view rest;
  return split_fields(line, line.size(), rest).size();
}

namespace {

// The blanks before a field rewritten from `old_size` to `new_size` characters: as many fewer or
// more as keep its end in place, while only blanks are given up and at least one stays.
std::string aligned_gap(std::string_view gap, std::size_t old_size, std::size_t new_size,
                        bool first) {
  std::string out(gap);
  if (new_size < old_size) {
    out.append(old_size - new_size, ' ');
    return out;
  }
  std::size_t take = new_size - old_size;
  const std::size_t keep = first ? 0 : 1;
  while (take > 0 && out.size() > keep && out.back() == ' ') {
    out.pop_back();
    --take;
  }
  return out;
}

}  // namespace

std::string with_fields(const std::string& line, const std::map<int, std::string>& fields,
                        bool aligned) {
  std::string out;
  std::size_t pos = 0;
  int field = 0;
  while (pos < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t\v\f", pos);
    if (start == std::string::npos) break;
    std::size_t end = line.find_first_of(" \t\v\f", start);
    if (end == std::string::npos) end = line.size();
    const std::string_view gap(line.data() + pos, start - pos);
    auto it = fields.find(field);
    if (it == fields.end()) {
      out += gap;
      out.append(line, start, end - start);
    } else {
      out +=
          aligned ? aligned_gap(gap, end - start, it->second.size(), field == 0) : std::string(gap);
      out += it->second;
    }
    ++field;
    pos = end;
  }
  out.append(line, pos, std::string::npos);
  return out;
}

std::string shown_line(const std::string& line) {
  return "\"" + (line.size() > 80 ? line.substr(0, 80) + "..." : line) + "\"";
}

std::string columns(std::size_t n) { return std::to_string(n) + (n == 1 ? " column" : " columns"); }

void refuse_other_format(const Misfits& misfits, int record_lines,
                         const std::function<std::string(std::size_t)>& rule, PedigreeInput& in) {
  const std::size_t unreadable = in.problems.size();
  if (misfits.lines.empty() ||
      !(in.people.empty() || 2 * unreadable > static_cast<std::size_t>(record_lines)))
    return;
  const auto [first, n] = misfits.lines.front();
  std::string problem = in.file + ": " + columns(n) + ": " + rule(n) + "; line " +
                        std::to_string(first) + ": " + shown_line(misfits.first);
  if (unreadable < static_cast<std::size_t>(record_lines))
    problem += "; " + std::to_string(unreadable) + " of its " + std::to_string(record_lines) +
               " lines are no records";
  in.problems = {problem};
  in.people.clear();  // the few lines that happen to read as records are no pedigree
}

}  // namespace loopcut::prep
