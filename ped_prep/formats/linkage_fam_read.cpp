// Readers of the two whitespace-separated column formats: pre-makeped LINKAGE files and PLINK
// .fam files. Both give per line: family, individual, father, mother, sex, then further columns
// (phenotypes, genotypes), which are carried along unchanged.
#include <algorithm>
#include <cctype>
#include <sstream>
#include <string_view>
#include <unordered_set>

#include "common/text_file.hpp"
#include "ped_prep/formats/linkage_fam.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::prep {

namespace {

bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f'; }

// Splits off the first `count` whitespace-separated fields; `rest` receives what follows the
// last of them with its leading whitespace removed, as written.
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

// A first line of column names, as some programs write: its sex column is headed "sex".
bool is_header(const std::vector<std::string_view>& f) {
  if (f.size() < 5) return false;
  std::string sex(f[4]);
  for (char& c : sex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return sex == "sex";
}

std::size_t count_fields(std::string_view line) {
  std::string_view rest;
  return split_fields(line, line.size(), rest).size();
}

// What a line of the format must hold, for the messages.
std::string column_rule(bool fam) {
  return fam ? "a .fam file has exactly 6 (family, individual, father, mother, sex, phenotype)"
             : "a LINKAGE file needs at least 5 (family, individual, father, mother, sex)";
}

std::string shown_line(const std::string& line) {
  return "\"" + (line.size() > 80 ? line.substr(0, 80) + "..." : line) + "\"";
}

std::string columns(std::size_t n) {
  return std::to_string(n) + (n == 1 ? " column" : " columns");
}

// One record line as a person; false (with the problem) when it is none. `f` holds its first
// five fields, `rest` what follows them.
bool read_person(const std::vector<std::string_view>& f, std::string_view rest, int line_no,
                 bool fam, PedigreeInput& in, Person& p) {
  const std::string where = in.file + ":" + std::to_string(line_no) + ": ";
  p.family = std::string(f[0]);
  p.id = std::string(f[1]);
  p.father = f[2] == "0" ? "" : std::string(f[2]);
  p.mother = f[3] == "0" ? "" : std::string(f[3]);
  p.line = line_no;
  p.extra = std::string(rest);
  p.sex_code = std::string(f[4]);
  if (p.id == "0") {
    in.problems.push_back(where + "individual 0 in family " + p.family +
                          ": 0 is the code for a missing parent, not an identifier");
    return false;
  }
  if (f[4] == "1") {
    p.sex = 1;
  } else if (f[4] == "2") {
    p.sex = 2;
  } else if (f[4] == "0" || fam) {
    // PLINK reads every code other than 1 and 2 (0, -9, U, ...) as unknown.
    p.sex = 0;
  } else {
    in.problems.push_back(where + "individual " + p.id + " of family " + p.family +
                          ": sex must be 0, 1 or 2, found \"" + std::string(f[4]) + "\"");
    return false;
  }
  return true;
}

// Lines without the format's columns: line number and count, and the first such line.
struct Misfits {
  std::vector<std::pair<int, std::size_t>> lines;
  std::string first;
};

// Each line refused gave one problem. When most lines are no records (a file of another
// format), says once what the file is not, instead.
void refuse_other_format(const Misfits& misfits, int record_lines, bool fam, PedigreeInput& in) {
  const std::size_t unreadable = in.problems.size();
  if (misfits.lines.empty() ||
      !(in.people.empty() || 2 * unreadable > static_cast<std::size_t>(record_lines)))
    return;
  const auto [first, n] = misfits.lines.front();
  std::string problem = in.file + ": " + columns(n) + ": " + column_rule(fam) + "; line " +
                        std::to_string(first) + ": " + shown_line(misfits.first);
  if (unreadable < static_cast<std::size_t>(record_lines))
    problem += "; " + std::to_string(unreadable) + " of its " + std::to_string(record_lines) +
               " lines are no records";
  in.problems = {problem};
  in.people.clear();  // the few lines that happen to read as records are no pedigree
}

PedigreeInput read_columns(Format format, const std::string& file) {
  PedigreeInput in;
  in.format = format;
  in.file = file;
  TextFile text = read_text_file(file);
  in.form = text.form;
  int line_no = 0;
  bool separator_known = false;
  const bool fam = format == Format::fam;
  Misfits misfits;
  int record_lines = 0;  // lines that are not blank, comments or a header
  for (const std::string& line : text.lines) {
    ++line_no;
    std::string_view rest;
    std::vector<std::string_view> f = split_fields(line, 5, rest);
    if (f.empty() || f[0].front() == '#') continue;  // blank lines and comment lines
    if (record_lines == 0 && is_header(f)) {
      // Column names ("FID IID PAT MAT SEX ..."): kept as the line it is, like a comment.
      in.notes.push_back("line " + std::to_string(line_no) + " is taken as a header line: " +
                         shown_line(line));
      continue;
    }
    ++record_lines;
    const std::size_t n = count_fields(line);
    if (n < 5 || (fam && n != 6)) {
      if (misfits.lines.empty()) misfits.first = line;
      misfits.lines.emplace_back(line_no, n);
      in.problems.push_back(file + ":" + std::to_string(line_no) + ": " + columns(n) + ": " +
                            column_rule(fam) + ": " + shown_line(line));
      continue;
    }
    if (!separator_known) {
      in.separator = line.find('\t') != std::string::npos ? '\t' : ' ';
      separator_known = true;
    }
    Person p;
    if (read_person(f, rest, line_no, fam, in, p)) in.people.push_back(std::move(p));
  }
  refuse_other_format(misfits, record_lines, fam, in);
  in.lines = std::move(text.lines);
  return in;
}

}  // namespace

PedigreeInput read_linkage(const std::string& file) { return read_columns(Format::linkage, file); }
PedigreeInput read_fam(const std::string& file) { return read_columns(Format::fam, file); }

namespace {

// Further columns for an added record: as many as the input's records have, all unknown.
std::string unknown_columns(const PedigreeInput& in) {
  std::size_t columns = 0;
  for (const Person& person : in.people) {
    std::istringstream s(person.extra);
    std::size_t n = 0;
    for (std::string w; s >> w;) ++n;
    columns = std::max(columns, n);
  }
  std::string unknown;
  for (std::size_t i = 0; i < columns; ++i) {
    if (i) unknown += in.separator;
    unknown += (in.format == Format::fam && i == 0) ? "-9" : "0";
  }
  return unknown;
}

}  // namespace

void add_missing_parents(PedigreeInput& in) {
  if (in.format != Format::linkage && in.format != Format::fam) return;
  std::unordered_set<std::string> known;
  for (const Person& p : in.people) known.insert(p.family + '\x1f' + p.id);
  const std::string unknown = unknown_columns(in);
  const std::size_t n = in.people.size();
  int added = 0;
  for (std::size_t i = 0; i < n; ++i) {
    for (int sex : {1, 2}) {
      const Person& child = in.people[i];
      const std::string& id = sex == 1 ? child.father : child.mother;
      if (id.empty() || looks_like_missing_code(id)) continue;
      if (!known.insert(child.family + '\x1f' + id).second) continue;
      Person parent;
      parent.family = child.family;
      parent.id = id;
      parent.sex = sex;
      parent.sex_code = std::to_string(sex);
      parent.extra = unknown;
      parent.line = child.line;
      parent.added = true;
      parent.named_by = child.id;
      in.people.push_back(std::move(parent));
      ++added;
    }
  }
  if (added > 0)
    in.notes.push_back("added " + std::to_string(added) + " founder record" +
                       (added == 1 ? "" : "s") + " for parents named without one");
}

std::string record_line(const PedigreeInput& in, const Person& p) {
  if (!p.added) return in.lines[static_cast<std::size_t>(p.line - 1)];
  const char sep = in.separator;
  std::string line = p.family + sep + p.id + sep + "0" + sep + "0" + sep + p.sex_code;
  if (!p.extra.empty()) line += sep + p.extra;
  return line;
}

}  // namespace loopcut::prep
