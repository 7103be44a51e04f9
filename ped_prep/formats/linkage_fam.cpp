// The two whitespace-separated column formats, pre-makeped LINKAGE files and PLINK .fam files,
// read and written side by side. Both give per line: family, individual, father, mother, sex,
// then further columns (phenotypes, genotypes), which are carried along unchanged.
#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "common/files.hpp"
#include "common/text_file.hpp"
#include "ped_prep/formats/column_fields.hpp"
#include "ped_prep/formats/linkage_fam.hpp"
#include "ped_prep/formats/makeped.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::prep {

namespace {

// A first line of column names, as some programs write: its sex column is headed "sex".
bool is_header(const std::vector<std::string_view>& f) {
  if (f.size() < 5) return false;
  std::string sex(f[4]);
  for (char& c : sex) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return sex == "sex";
}

// The further columns of a line, from its sixth field on, as written (trailing blanks dropped).
std::string_view further_columns(std::string_view line, std::string_view sixth) {
  std::string_view rest = line.substr(static_cast<std::size_t>(sixth.data() - line.data()));
  while (!rest.empty() && is_space(rest.back())) rest.remove_suffix(1);
  return rest;
}

// What a line of the format must hold, for the messages about a line of `n` columns.
std::string column_rule(bool fam, std::size_t n) {
  if (!fam) return "a LINKAGE file needs at least 5 (family, individual, father, mother, sex)";
  std::string rule = "a .fam file has exactly 6 (family, individual, father, mother, sex, "
                     "phenotype)";
  if (n > 6) rule += "; for further columns give the format linkage";
  return rule;
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

PedigreeInput read_columns(Format format, const std::string& file, const DataLayout* layout) {
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
    // The line is split once: its first five fields, its count, and the further columns.
    std::vector<std::string_view> f = split_fields(line, line.size(), rest);
    if (f.size() > 5) rest = further_columns(line, f[5]);
    if (f.empty() || f[0].front() == '#') continue;  // blank lines and comment lines
    if (record_lines == 0 && is_header(f)) {
      // Column names ("FID IID PAT MAT SEX ..."): kept as the line it is, like a comment.
      in.notes.push_back("line " + std::to_string(line_no) + " is taken as a header line: " +
                         shown_line(line));
      continue;
    }
    ++record_lines;
    const std::size_t n = f.size();
    if (n < 5 || (fam && n != 6)) {
      if (misfits.lines.empty()) misfits.first = line;
      misfits.lines.emplace_back(line_no, n);
      in.problems.push_back(file + ":" + std::to_string(line_no) + ": " + columns(n) + ": " +
                            column_rule(fam, n) + ": " + shown_line(line));
      continue;
    }
    if (!separator_known) {
      in.separator = line.find('\t') != std::string::npos ? '\t' : ' ';
      separator_known = true;
    }
    Person p;
    if (!read_person(f, rest, line_no, fam, in, p)) continue;
    // With a locus file, the further columns must be the ones it describes, with values its
    // loci allow.
    if (layout) {
      auto problem = row_column_problem(*layout, file, line_no, n - 5, line);
      if (!problem) problem = row_value_problem(*layout, file, line_no, rest, line);
      if (problem) in.problems.push_back(std::move(*problem));
    }
    in.people.push_back(std::move(p));
  }
  refuse_other_format(
      misfits, record_lines, [fam](std::size_t n) { return column_rule(fam, n); }, in);
  in.lines = std::move(text.lines);
  return in;
}

}  // namespace

PedigreeInput read_linkage(const std::string& file, const DataLayout* layout) {
  PedigreeInput in = read_columns(Format::linkage, file, layout);
  if (looks_post_makeped(in.lines)) {
    // Its pointer columns would be read as sex and its parents as missing: one line instead.
    in.problems = {file + ": a post-makeped LINKAGE file (first offspring, sibs, sex and "
                          "proband in columns 5 to 9): give the format makeped"};
    in.people.clear();
  }
  return in;
}
PedigreeInput read_fam(const std::string& file) { return read_columns(Format::fam, file, nullptr); }

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

// Writing a cut pedigree back: every line of the input in its place.

// LINKAGE and .fam: every line of the input in its place, a record rewritten only where its
// parents changed; added parents and then the copies follow the last record of their family.
// Stand-in parents stay inside the chain: their children keep the unknown parent they had.
void write_linkage_fam(const PedigreeInput& in, const Prepared& p, const Identities& ids,
                          const std::string& output) {
  const auto is_person = [&](int k) { return k >= 0 && p.rows[ids.records[k].row].person >= 0; };
  const std::size_t n = in.people.size();
  std::unordered_map<std::string, std::size_t> last_of_family;
  for (std::size_t i = 0; i < n; ++i)
    if (!in.people[i].added) last_of_family[in.people[i].family] = i;
  std::vector<int> record_of(n, -1);
  std::vector<std::vector<int>> added_after(n), copies_after(n);
  for (std::size_t i = 0; i < n; ++i)
    if (in.people[i].added)
      added_after[last_of_family.at(in.people[i].family)].push_back(static_cast<int>(i));
  for (std::size_t k = 0; k < ids.records.size(); ++k) {
    const OutRecord& o = ids.records[k];
    if (!is_person(static_cast<int>(k))) continue;
    if (o.copy) {
      copies_after[last_of_family.at(o.family)].push_back(static_cast<int>(k));
    } else {
      record_of[static_cast<std::size_t>(p.rows[o.row].person)] = static_cast<int>(k);
    }
  }
  std::vector<int> person_at(in.lines.size(), -1);
  for (std::size_t i = 0; i < n; ++i)
    if (!in.people[i].added) person_at[static_cast<std::size_t>(in.people[i].line - 1)] = static_cast<int>(i);

  auto parent = [&](int k) { return is_person(k) ? ids.records[k].id : std::string(); };
  auto code = [](const std::string& id) { return id.empty() ? std::string("0") : id; };
  // A person's record with the parents of the cut, rewritten only where they changed.
  auto record = [&](int i) {
    const Person& person = in.people[i];
    const std::string line = record_line(in, person);
    if (record_of[i] < 0) return line;
    const OutRecord& o = ids.records[record_of[i]];
    const std::string father = parent(o.father), mother = parent(o.mother);
    if (father == person.father && mother == person.mother) return line;
    return with_fields(line, {{2, code(father)}, {3, code(mother)}});
  };
  OutputFile out(output, output_mode(output), in.form);
  for (std::size_t l = 0; l < in.lines.size(); ++l) {
    const int i = person_at[l];
    if (i < 0) {
      out.line(in.lines[l]);  // comments and blank lines
      continue;
    }
    out.line(record(i));
    for (int a : added_after[i]) out.line(record(a));
    for (int k : copies_after[i]) {
      const OutRecord& c = ids.records[k];
      const Person& original = in.people[p.rows[c.row].person];
      out.line(with_fields(record_line(in, original),
                           {{1, c.id}, {2, code(parent(c.father))}, {3, code(parent(c.mother))}}));
    }
  }
  out.commit();
}

}  // namespace loopcut::prep
