// Reading a post-makeped LINKAGE file: its records, their offspring and sib lists checked, and
// the copies of each loop breaker joined back into one record.
#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <string_view>

#include "common/text_file.hpp"
#include "common/text_values.hpp"
#include "ped_prep/formats/column_fields.hpp"
#include "ped_prep/formats/makeped.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::prep {

namespace {

constexpr std::size_t RECORD_COLUMNS = 9;

const char* const COLUMN_NAMES[RECORD_COLUMNS] = {"family",
                                                  "individual",
                                                  "father",
                                                  "mother",
                                                  "first offspring",
                                                  "next paternal sib",
                                                  "next maternal sib",
                                                  "sex",
                                                  "proband or loop"};

std::string column_rule(std::size_t) {
  return "a post-makeped LINKAGE file needs at least 9 (family, individual, father, mother, "
         "first offspring, next paternal sib, next maternal sib, sex, proband or loop)";
}

// A record as written: the person, and its offspring, sib and loop columns.
struct Row {
  Person person;
  std::string first, next_paternal, next_maternal;
  std::string loop;  // column 9: 0, 1 (proband) or a loop number
};

std::string where(const PedigreeInput& in, int line) {
  return in.file + ":" + std::to_string(line) + ": ";
}

// One record line as a row; false (with the problem) when it is none.
bool read_row(const std::vector<std::string_view>& f, std::string_view rest, int line_no,
              PedigreeInput& in, Row& r) {
  const std::string at = where(in, line_no) + "individual " + std::string(f[1]) + " of family " +
                         std::string(f[0]) + ": ";
  for (std::size_t c = 0; c < RECORD_COLUMNS; ++c) {
    if (c == 7 || whole_number(f[c])) continue;
    in.problems.push_back(at + "column " + std::to_string(c + 1) + " (" + COLUMN_NAMES[c] +
                          ") must be a whole number of at most 9 digits, found \"" +
                          std::string(f[c]) + "\"");
    return false;
  }
  if (f[1] == "0") {
    in.problems.push_back(where(in, line_no) + "individual 0 in family " + std::string(f[0]) +
                          ": 0 is the code for a missing parent, not an identifier");
    return false;
  }
  if (f[7] != "0" && f[7] != "1" && f[7] != "2") {
    in.problems.push_back(at + "sex must be 0, 1 or 2, found \"" + std::string(f[7]) + "\"");
    return false;
  }
  Person& p = r.person;
  p.family = std::string(f[0]);
  p.id = std::string(f[1]);
  p.father = f[2] == "0" ? "" : std::string(f[2]);
  p.mother = f[3] == "0" ? "" : std::string(f[3]);
  p.sex_code = std::string(f[7]);
  p.sex = f[7][0] - '0';
  p.extra = std::string(rest);
  p.line = line_no;
  p.proband = f[8] == "1";
  r.first = std::string(f[4]);
  r.next_paternal = std::string(f[5]);
  r.next_maternal = std::string(f[6]);
  r.loop = std::string(f[8]);
  return true;
}

using Key = std::pair<std::string, std::string>;  // family, identifier

// The first row of every family and identifier (a second one is a duplicate, reported later).
std::map<Key, int> rows_by_id(const std::vector<Row>& rows) {
  std::map<Key, int> row_of;
  for (std::size_t i = 0; i < rows.size(); ++i)
    row_of.emplace(Key{rows[i].person.family, rows[i].person.id}, static_cast<int>(i));
  return row_of;
}

// Follows the offspring list of row `parent` (its first offspring, then each child's next sib
// on the parent's side); marks the children reached. False, with the problem, where the list
// names someone who is no child of the parent or comes round again.
bool follow_offspring(const std::vector<Row>& rows, const std::map<Key, int>& row_of, int parent,
                      std::vector<char>& reached, PedigreeInput& in) {
  const Person& p = rows[static_cast<std::size_t>(parent)].person;
  const bool father = p.sex == 1;
  const char* const side = father ? "paternal" : "maternal";
  std::set<int> seen;
  int previous = -1;
  std::string next = rows[static_cast<std::size_t>(parent)].first;
  while (next != "0") {
    const auto it = row_of.find(Key{p.family, next});
    const int child = it == row_of.end() ? -1 : it->second;
    const Person* c = child < 0 ? nullptr : &rows[static_cast<std::size_t>(child)].person;
    const bool is_child = c && (father ? c->father : c->mother) == p.id;
    std::string problem;
    if (!is_child || seen.count(child)) {
      const std::string what =
          !is_child ? " is not a child of " : " comes round again in the list of ";
      if (previous < 0) {
        problem = where(in, p.line) + "individual " + p.id + " of family " + p.family +
                  ": first offspring " + next + what + "it";
      } else {
        const Person& prev = rows[static_cast<std::size_t>(previous)].person;
        problem = where(in, prev.line) + "individual " + prev.id + " of family " + p.family +
                  ": next " + side + " sib " + next + what + "its " +
                  (father ? "father " : "mother ") + p.id;
      }
      in.problems.push_back(problem);
      return false;
    }
    seen.insert(child);
    reached[static_cast<std::size_t>(child)] = 1;
    previous = child;
    const Row& r = rows[static_cast<std::size_t>(child)];
    next = father ? r.next_paternal : r.next_maternal;
  }
  return true;
}

// Checks the offspring and sib columns against the parents: each parent's list reaches each of
// its children once, and names nobody else.
void check_offspring_lists(const std::vector<Row>& rows, PedigreeInput& in) {
  const std::map<Key, int> row_of = rows_by_id(rows);
  const std::size_t n = rows.size();
  std::vector<char> by_father(n, 0), by_mother(n, 0);
  std::set<Key> broken;  // parents whose list stopped short: their children are not reported
  for (std::size_t i = 0; i < n; ++i) {
    const Person& p = rows[i].person;
    if (rows[i].first == "0") continue;
    if (p.sex != 1 && p.sex != 2) {
      in.problems.push_back(where(in, p.line) + "individual " + p.id + " of family " + p.family +
                            ": first offspring " + rows[i].first +
                            " given, but its sex is unknown");
      continue;
    }
    if (!follow_offspring(rows, row_of, static_cast<int>(i), p.sex == 1 ? by_father : by_mother,
                          in))
      broken.insert(Key{p.family, p.id});
  }
  for (std::size_t i = 0; i < n; ++i) {
    const Person& c = rows[i].person;
    for (const bool father : {true, false}) {
      const std::string& parent = father ? c.father : c.mother;
      const std::string& sib = father ? rows[i].next_paternal : rows[i].next_maternal;
      const std::string at = where(in, c.line) + "individual " + c.id + " of family " + c.family;
      if (parent.empty()) {
        if (sib != "0")
          in.problems.push_back(at + ": next " + (father ? "paternal" : "maternal") + " sib " +
                                sib + " given, but its " + (father ? "father" : "mother") +
                                " is unknown");
        continue;
      }
      const auto it = row_of.find(Key{c.family, parent});
      if (it == row_of.end() || broken.count(Key{c.family, parent})) continue;
      if (!(father ? by_father : by_mother)[i])
        in.problems.push_back(
            at + " is not in the offspring list of its " + (father ? "father " : "mother ") +
            parent + " (line " +
            std::to_string(rows[static_cast<std::size_t>(it->second)].person.line) + ")");
    }
  }
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream s(text);
  std::vector<std::string> w;
  for (std::string x; s >> x;) w.push_back(x);
  return w;
}

// The rows of each family that share a loop number, in the order of their first row; a loop
// number on one row only ties that row to the family's proband, as the LINKAGE programs read it.
std::vector<std::vector<int>> loop_groups(const std::vector<Row>& rows, PedigreeInput& in) {
  std::map<Key, std::size_t> group_of;  // family, loop number
  std::vector<std::vector<int>> groups;
  std::map<std::string, std::vector<int>> probands;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& r = rows[i];
    if (r.loop == "1") probands[r.person.family].push_back(static_cast<int>(i));
    if (std::stol(r.loop) < 2) continue;
    auto [it, fresh] = group_of.emplace(Key{r.person.family, r.loop}, groups.size());
    if (fresh) groups.emplace_back();
    groups[it->second].push_back(static_cast<int>(i));
  }
  std::vector<std::vector<int>> tied;
  for (std::vector<int>& g : groups) {
    const Row& r = rows[static_cast<std::size_t>(g[0])];
    if (g.size() == 1) {
      const std::vector<int>& p = probands[r.person.family];
      if (p.size() != 1) {
        in.problems.push_back(where(in, r.person.line) + "individual " + r.person.id +
                              " of family " + r.person.family + ": loop number " + r.loop +
                              " marks no other record of the family" +
                              (p.empty() ? "" : ", and the family has more than one proband"));
        continue;
      }
      g.insert(p[0] < g[0] ? g.begin() : g.end(), p[0]);
    }
    tied.push_back(std::move(g));
  }
  return tied;
}

// The record that the copies of a group are joined into: the one with parents, else the first;
// -1 (with the problems) when the rows are no copies of one individual.
int original_of_group(const std::vector<Row>& rows, const std::vector<int>& group,
                      PedigreeInput& in) {
  auto has_parents = [&](int i) {
    const Person& p = rows[static_cast<std::size_t>(i)].person;
    return !p.father.empty() || !p.mother.empty();
  };
  int original = group[0];
  for (int i : group)
    if (has_parents(i)) {
      if (has_parents(original) && i != original) {
        const Person& a = rows[static_cast<std::size_t>(original)].person;
        const Person& b = rows[static_cast<std::size_t>(i)].person;
        in.problems.push_back(where(in, b.line) + "individuals " + a.id + " (line " +
                              std::to_string(a.line) + ") and " + b.id + " of family " + b.family +
                              " are copies of one loop breaker and both have parents: only one "
                              "copy may have them");
        return -1;
      }
      original = i;
    }
  const Person& o = rows[static_cast<std::size_t>(original)].person;
  bool agree = true;
  for (int i : group) {
    const Person& c = rows[static_cast<std::size_t>(i)].person;
    if (i == original) continue;
    const char* differs = c.sex_code != o.sex_code           ? "sex"
                          : words(c.extra) != words(o.extra) ? "phenotype columns"
                                                             : nullptr;
    if (!differs) continue;
    in.problems.push_back(where(in, c.line) + "individual " + c.id + " of family " + c.family +
                          " is a copy of loop breaker " + o.id + " (line " +
                          std::to_string(o.line) + ") but its " + differs + " differ" +
                          (std::string(differs) == "sex" ? "s" : ""));
    agree = false;
  }
  return agree ? original : -1;
}

// Joins the copies of each loop breaker into its original: their children name the original,
// and their rows are dropped (their lines kept in `joined_lines`). Gives the people left.
std::vector<Person> join_copies(std::vector<Row>& rows, PedigreeInput& in) {
  std::map<Key, std::string> original_id;  // family and copy -> the original's identifier
  std::vector<char> dropped(rows.size(), 0);
  for (const std::vector<int>& group : loop_groups(rows, in)) {
    const int original = original_of_group(rows, group, in);
    if (original < 0) continue;
    Person& o = rows[static_cast<std::size_t>(original)].person;
    for (int i : group) {
      if (i == original) continue;
      const Person& c = rows[static_cast<std::size_t>(i)].person;
      original_id[Key{c.family, c.id}] = o.id;
      o.proband = o.proband || c.proband;
      dropped[static_cast<std::size_t>(i)] = 1;
    }
  }
  std::vector<Person> people;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    Person& p = rows[i].person;
    if (dropped[i]) {
      in.joined_lines.push_back(p.line);
      continue;
    }
    for (std::string* parent : {&p.father, &p.mother}) {
      const auto it = original_id.find(Key{p.family, *parent});
      if (it != original_id.end()) *parent = it->second;
    }
    people.push_back(std::move(p));
  }
  if (!in.joined_lines.empty())
    in.notes.push_back("joined " + std::to_string(in.joined_lines.size()) + " cop" +
                       (in.joined_lines.size() == 1 ? "y" : "ies") +
                       " of loop breakers (records sharing a loop number in column 9) into "
                       "their individuals; the cut breaks the loops anew");
  return people;
}

}  // namespace

PedigreeInput read_makeped(const std::string& file, const DataLayout* layout) {
  PedigreeInput in;
  in.format = Format::makeped;
  in.file = file;
  TextFile text = read_text_file(file);
  in.form = text.form;
  int line_no = 0;
  bool separator_known = false;
  Misfits misfits;
  int record_lines = 0;
  std::vector<Row> rows;
  for (const std::string& line : text.lines) {
    ++line_no;
    std::string_view rest;
    const std::vector<std::string_view> f = split_fields(line, RECORD_COLUMNS, rest);
    if (f.empty() || f[0].front() == '#') continue;  // blank lines and comment lines
    ++record_lines;
    if (f.size() < RECORD_COLUMNS) {
      if (misfits.lines.empty()) misfits.first = line;
      misfits.lines.emplace_back(line_no, f.size());
      in.problems.push_back(file + ":" + std::to_string(line_no) + ": " + columns(f.size()) + ": " +
                            column_rule(f.size()) + ": " + shown_line(line));
      continue;
    }
    if (!separator_known) {
      in.separator = line.find('\t') != std::string::npos ? '\t' : ' ';
      separator_known = true;
    }
    Row r;
    if (!read_row(f, rest, line_no, in, r)) continue;
    if (layout) {
      auto problem = row_column_problem(*layout, file, line_no, count_fields(rest), line, 9);
      if (!problem) problem = row_value_problem(*layout, file, line_no, rest, line, 9);
      if (problem) in.problems.push_back(std::move(*problem));
    }
    rows.push_back(std::move(r));
  }
  for (Row& r : rows) in.people.push_back(r.person);
  refuse_other_format(
      misfits, record_lines, [](std::size_t n) { return column_rule(n); }, in);
  if (in.problems.empty()) {
    check_offspring_lists(rows, in);
    if (in.problems.empty()) in.people = join_copies(rows, in);
  }
  in.lines = std::move(text.lines);
  return in;
}

bool looks_post_makeped(const std::vector<std::string>& lines) {
  std::map<Key, std::pair<std::string, std::string>> parents_of;
  std::vector<std::pair<Key, std::string>> first_offspring;
  for (const std::string& line : lines) {
    std::string_view rest;
    const std::vector<std::string_view> f = split_fields(line, RECORD_COLUMNS, rest);
    if (f.empty() || f[0].front() == '#') continue;
    if (f.size() < RECORD_COLUMNS) return false;
    for (std::size_t c = 0; c < RECORD_COLUMNS; ++c)
      if (c != 7 && !whole_number(f[c])) return false;
    const Key key{std::string(f[0]), std::string(f[1])};
    parents_of[key] = {std::string(f[2]), std::string(f[3])};
    if (f[4] != "0") first_offspring.emplace_back(key, std::string(f[4]));
  }
  if (first_offspring.empty()) return false;
  for (const auto& [parent, child] : first_offspring) {
    const auto it = parents_of.find(Key{parent.first, child});
    if (it == parents_of.end() ||
        (it->second.first != parent.second && it->second.second != parent.second))
      return false;
  }
  return true;
}

std::vector<std::string> makeped_identifier_problems(const PedigreeInput& in) {
  std::vector<std::string> problems;
  for (const Person& p : in.people) {
    const bool family = whole_number(p.family).has_value();
    const bool id = whole_number(p.id).has_value();
    if (family && id) continue;
    problems.push_back(where(in, p.line) + "individual " + p.id + " of family " + p.family +
                       ": the " + (family ? "identifier" : "family") +
                       " is no whole number of at most 9 digits, which LINKAGE programs need");
  }
  return problems;
}

}  // namespace loopcut::prep
