// GEDCOM reader: individuals from the INDI records, parents from the FAM records (HUSB, WIFE,
// CHIL, and FAMC links of the individuals). Every record is also kept verbatim, so that the
// file can be written back with its names, dates and sources.
#include <unordered_map>

#include "common/text_file.hpp"
#include "ped_prep/pedigree_input.hpp"

namespace loopcut::prep {

namespace {

struct GedLine {
  int level = -1;
  std::string xref;  // without @ signs
  std::string tag;
  std::string value;
};

bool parse_line(const std::string& raw, GedLine& out) {
  std::size_t p = 0;
  while (p < raw.size() && (raw[p] == ' ' || raw[p] == '\t')) ++p;
  std::size_t start = p;
  while (p < raw.size() && raw[p] >= '0' && raw[p] <= '9') ++p;
  if (p == start || p - start > 2) return false;
  out.level = std::stoi(raw.substr(start, p - start));
  while (p < raw.size() && raw[p] == ' ') ++p;
  if (p < raw.size() && raw[p] == '@') {
    std::size_t end = raw.find('@', p + 1);
    if (end == std::string::npos) return false;
    out.xref = raw.substr(p + 1, end - p - 1);
    p = end + 1;
    while (p < raw.size() && raw[p] == ' ') ++p;
  }
  start = p;
  while (p < raw.size() && raw[p] != ' ') ++p;
  out.tag = raw.substr(start, p - start);
  if (out.tag.empty()) return false;
  if (p < raw.size()) ++p;
  out.value = raw.substr(p);
  return true;
}

// "@I12@" -> "I12"; empty when the value is no pointer.
std::string pointer(const std::string& value) {
  if (value.size() < 3 || value.front() != '@' || value.back() != '@') return "";
  return value.substr(1, value.size() - 2);
}

struct Family {
  std::string husband, wife;
  std::vector<std::string> children;
  int line = 0;
};

}  // namespace

PedigreeInput read_gedcom(const std::string& file) {
  PedigreeInput in;
  in.format = Format::gedcom;
  in.file = file;
  const TextFile text = read_text_file(file);
  in.form = text.form;

  std::unordered_map<std::string, std::size_t> person_of;  // xref -> index in people
  std::unordered_map<std::string, std::size_t> family_of;  // xref -> index in families
  std::vector<Family> families;
  std::vector<std::vector<std::string>> famc;  // per person: FAMC pointers, in order

  int line_no = 0;
  enum { none, indi, fam, other } current = none;
  for (const std::string& raw : text.lines) {
    ++line_no;
    if (raw.find_first_not_of(" \t") == std::string::npos) continue;
    GedLine g;
    const std::string where = file + ":" + std::to_string(line_no) + ": ";
    if (!parse_line(raw, g)) {
      in.problems.push_back(where + "not a GEDCOM line: \"" + raw.substr(0, 60) + "\"");
      continue;
    }
    if (g.level == 0) {
      in.gedcom.push_back(GedcomRecord{g.xref, g.tag, {raw}});
      if (g.tag == "INDI" && !g.xref.empty()) {
        current = indi;
        if (person_of.count(g.xref)) {
          in.problems.push_back(where + "duplicate individual @" + g.xref + "@");
          current = other;
          continue;
        }
        person_of[g.xref] = in.people.size();
        Person p;
        p.id = g.xref;
        p.line = line_no;
        in.people.push_back(p);
        famc.emplace_back();
      } else if (g.tag == "FAM" && !g.xref.empty()) {
        current = fam;
        if (family_of.count(g.xref)) {
          in.problems.push_back(where + "duplicate family @" + g.xref + "@");
          current = other;
          continue;
        }
        family_of[g.xref] = families.size();
        families.push_back(Family{});
        families.back().line = line_no;
      } else {
        current = other;
      }
      continue;
    }
    if (in.gedcom.empty()) {
      in.problems.push_back(where + "line before the first record");
      continue;
    }
    in.gedcom.back().lines.push_back(raw);
    if (g.level != 1) continue;
    if (current == indi) {
      Person& p = in.people.back();
      if (g.tag == "SEX") {
        char c = g.value.empty() ? 'U' : g.value[0];
        p.sex = (c == 'M' || c == 'm') ? 1 : (c == 'F' || c == 'f') ? 2 : 0;
      } else if (g.tag == "FAMC") {
        std::string f = pointer(g.value);
        if (!f.empty()) famc.back().push_back(f);
      }
    } else if (current == fam) {
      Family& f = families.back();
      std::string who = pointer(g.value);
      if (g.tag == "HUSB" || g.tag == "WIFE") {
        std::string& slot = g.tag == "HUSB" ? f.husband : f.wife;
        if (!slot.empty() && slot != who) {
          in.problems.push_back(where + "family @" + in.gedcom.back().xref + "@ names two " +
                                (g.tag == "HUSB" ? "husbands" : "wives") + ": @" + slot +
                                "@ and @" + who + "@");
        } else {
          slot = who;
        }
      } else if (g.tag == "CHIL" && !who.empty()) {
        f.children.push_back(who);
      }
    }
  }

  // The family of birth of every individual: the FAM records that list it as a child, and the
  // families that its own FAMC lines name.
  std::vector<std::string> birth(in.people.size());
  std::vector<std::string> fam_xref(families.size());
  for (const auto& [xref, index] : family_of) fam_xref[index] = xref;
  auto assign = [&](std::size_t person, const std::string& family) {
    std::string& b = birth[person];
    if (b.empty()) {
      b = family;
      return;
    }
    if (b == family) return;
    const Family& f1 = families[family_of[b]];
    const Family& f2 = families[family_of[family]];
    if (f1.husband == f2.husband && f1.wife == f2.wife) return;
    in.problems.push_back(file + ":" + std::to_string(in.people[person].line) + ": @" +
                          in.people[person].id + "@ is a child of two families, @" + b +
                          "@ and @" + family + "@; keep only the family of birth");
  };
  for (std::size_t fi = 0; fi < families.size(); ++fi) {
    for (const std::string& child : families[fi].children) {
      auto it = person_of.find(child);
      if (it == person_of.end()) {
        in.problems.push_back(file + ":" + std::to_string(families[fi].line) + ": family @" +
                              fam_xref[fi] + "@ lists child @" + child +
                              "@, which has no INDI record");
        continue;
      }
      assign(it->second, fam_xref[fi]);
    }
  }
  for (std::size_t pi = 0; pi < in.people.size(); ++pi) {
    for (const std::string& f : famc[pi]) {
      if (!family_of.count(f)) {
        in.problems.push_back(file + ":" + std::to_string(in.people[pi].line) + ": @" +
                              in.people[pi].id + "@ names family @" + f +
                              "@, which has no FAM record");
        continue;
      }
      assign(pi, f);
    }
  }
  for (std::size_t pi = 0; pi < in.people.size(); ++pi) {
    if (birth[pi].empty()) continue;
    const Family& f = families[family_of[birth[pi]]];
    in.people[pi].father = f.husband;
    in.people[pi].mother = f.wife;
  }
  return in;
}

}  // namespace loopcut::prep
