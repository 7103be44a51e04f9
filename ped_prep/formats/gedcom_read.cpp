// GEDCOM reader: individuals from the INDI records, parents from the FAM records (HUSB, WIFE,
// CHIL, and FAMC links of the individuals). Every record is also kept verbatim, so that the
// file can be written back with its names, dates and sources.
#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <unordered_map>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/text_file.hpp"
#include "ped_prep/formats/gedcom.hpp"
#include "ped_prep/formats/gedcom_line.hpp"

namespace loopcut::prep {

namespace {

// How an individual is said to belong to a family that lists it as a child.
enum class Link { unstated, birth, other };

struct Family {
  std::string xref;
  std::vector<std::string> husbands, wives;  // distinct, in file order
  std::vector<std::string> children;
  std::vector<Link> child_links;  // per child: what the _FREL and _MREL under its CHIL say
  int line = 0;
};

struct Individual {
  // FAMC lines of the record, with what their PEDI says; ADOP events name adoptive families.
  std::vector<std::pair<std::string, Link>> famc;
};

std::string lower_case(std::string value) {
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
  std::transform(value.begin(), value.end(), value.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return value;
}

Link pedigree_link(const std::string& value) {
  return lower_case(value) == "birth" ? Link::birth : Link::other;
}

// A child's relation to one parent as some programs give it under CHIL or FAMC (_FREL,
// _MREL): Natural, Adopted, Step, Foster, ...; Unknown and Private say nothing.
void take_parent_relation(const std::string& value, Link& link) {
  const std::string v = lower_case(value);
  if (v.empty() || v == "unknown" || v == "private") return;
  if (v == "natural" || v == "birth" || v == "biological") {
    if (link == Link::unstated) link = Link::birth;
  } else {
    link = Link::other;
  }
}

void add_distinct(std::vector<std::string>& list, const std::string& x) {
  if (!x.empty() && std::find(list.begin(), list.end(), x) == list.end()) list.push_back(x);
}

std::string at(const std::string& file, int line) { return file + ":" + std::to_string(line) + ": "; }

std::string names(const std::vector<std::string>& xrefs) {
  std::string s;
  for (std::size_t i = 0; i < xrefs.size(); ++i)
    s += (i == 0 ? "" : i + 1 == xrefs.size() ? " and " : ", ") + ("@" + xrefs[i] + "@");
  return s;
}

// The records of the file, the individuals and the families as the lines give them.
struct Parsed {
  std::vector<Individual> individuals;  // per person
  std::vector<Family> families;
  std::unordered_map<std::string, std::size_t> person_of, family_of;
};

Parsed parse_records(const std::vector<std::string>& lines, PedigreeInput& in) {
  Parsed g;
  const std::string& file = in.file;
  enum { indi, fam, other, trailer } current = other;
  std::string level1;  // tag of the current level-1 line of an individual
  int child = -1;      // in a family: the child of the current CHIL line
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& raw = lines[i];
    const int line_no = static_cast<int>(i) + 1;
    if (current == trailer || blank_gedcom_line(raw)) {
      // Blank lines and whatever follows the trailer (an end-of-file mark of old systems) are
      // no part of the pedigree; they are written back as they were.
      if (in.gedcom.empty()) in.gedcom.push_back(GedcomRecord{});
      in.gedcom.back().lines.push_back(raw);
      continue;
    }
    GedcomLine l;
    if (!parse_gedcom_line(raw, l)) {
      in.problems.push_back(at(file, line_no) + "not a GEDCOM line: \"" + raw.substr(0, 60) + "\"");
      continue;
    }
    if (l.level == 0) {
      in.gedcom.push_back(GedcomRecord{l.xref, l.tag, {raw}});
      current = other;
      level1.clear();
      child = -1;
      if (l.tag == "TRLR") {
        current = trailer;
      } else if (l.tag == "INDI" && !l.xref.empty()) {
        if (!g.person_of.emplace(l.xref, in.people.size()).second) {
          in.problems.push_back(at(file, line_no) + "duplicate individual @" + l.xref + "@");
          continue;
        }
        current = indi;
        in.gedcom.back().person = static_cast<int>(in.people.size());
        Person p;
        p.id = l.xref;
        p.line = line_no;
        in.people.push_back(p);
        g.individuals.emplace_back();
      } else if (l.tag == "FAM" && !l.xref.empty()) {
        if (!g.family_of.emplace(l.xref, g.families.size()).second) {
          in.problems.push_back(at(file, line_no) + "duplicate family @" + l.xref + "@");
          continue;
        }
        current = fam;
        g.families.push_back(Family{l.xref, {}, {}, {}, {}, line_no});
      }
      continue;
    }
    in.gedcom.back().lines.push_back(raw);  // the header came first, so a record is open
    if (current == indi) {
      Individual& ind = g.individuals.back();
      if (l.level == 1) level1 = l.tag;
      if (l.level == 1 && l.tag == "SEX") {
        const char c = l.value.empty() ? 'U' : l.value[0];
        in.people.back().sex = (c == 'M' || c == 'm') ? 1 : (c == 'F' || c == 'f') ? 2 : 0;
      } else if (l.level == 1 && l.tag == "FAMC") {
        // Kept even when it is no pointer, so that a PEDI below is not taken for another line.
        ind.famc.emplace_back(gedcom_pointer(l.value), Link::unstated);
      } else if (l.level == 2 && l.tag == "PEDI" && level1 == "FAMC" && !ind.famc.empty()) {
        ind.famc.back().second = pedigree_link(l.value);
      } else if (l.level == 2 && (l.tag == "_FREL" || l.tag == "_MREL") && level1 == "FAMC" &&
                 !ind.famc.empty()) {
        take_parent_relation(l.value, ind.famc.back().second);
      } else if (l.level == 2 && l.tag == "FAMC" && level1 == "ADOP") {
        ind.famc.emplace_back(gedcom_pointer(l.value), Link::other);
      }
    } else if (current == fam) {
      Family& f = g.families.back();
      if (l.level == 1) {
        child = -1;
        if (l.tag == "HUSB") add_distinct(f.husbands, gedcom_pointer(l.value));
        if (l.tag == "WIFE") add_distinct(f.wives, gedcom_pointer(l.value));
        const std::string c = gedcom_pointer(l.value);
        if (l.tag == "CHIL" && !c.empty()) {
          const auto at = std::find(f.children.begin(), f.children.end(), c);
          child = static_cast<int>(at - f.children.begin());
          if (at == f.children.end()) {
            f.children.push_back(c);
            f.child_links.push_back(Link::unstated);
          }
        }
      } else if (l.level == 2 && child >= 0 && (l.tag == "_FREL" || l.tag == "_MREL")) {
        take_parent_relation(l.value, f.child_links[child]);
      }
    }
  }
  return g;
}

// The family of birth of each individual: among the families that list it as a child or that
// its FAMC lines name, those marked "PEDI birth" (or _FREL and _MREL Natural under the CHIL),
// else those without a mark; families marked otherwise (adopted, foster, sealing, step) or
// named by an adoption are not families of birth.
void find_families_of_birth(const Parsed& g, PedigreeInput& in) {
  const std::string& file = in.file;
  const std::size_t n = in.people.size();
  std::vector<std::vector<std::pair<std::string, Link>>> links(n);
  auto link = [&](std::size_t person, const std::string& family, Link kind) {
    for (auto& [f, k] : links[person]) {
      if (f != family) continue;
      if (kind == Link::birth || (kind == Link::other && k == Link::unstated)) k = kind;
      return;
    }
    links[person].emplace_back(family, kind);
  };
  for (std::size_t pi = 0; pi < n; ++pi) {
    for (const auto& [f, kind] : g.individuals[pi].famc) {
      if (f.empty()) continue;
      if (!g.family_of.count(f)) {
        in.problems.push_back(at(file, in.people[pi].line) + "@" + in.people[pi].id +
                              "@ names family @" + f + "@, which has no FAM record");
        continue;
      }
      link(pi, f, kind);
    }
  }
  for (const Family& f : g.families) {
    for (std::size_t ci = 0; ci < f.children.size(); ++ci) {
      const std::string& child = f.children[ci];
      auto it = g.person_of.find(child);
      if (it == g.person_of.end()) {
        in.problems.push_back(at(file, f.line) + "family @" + f.xref + "@ lists child @" + child +
                              "@, which has no INDI record");
        continue;
      }
      link(it->second, f.xref, f.child_links[ci]);
    }
  }

  auto couple = [&](const std::string& xref) {
    const Family& f = g.families[g.family_of.at(xref)];
    return std::make_pair(f.husbands, f.wives);
  };
  in.birth_family.assign(n, "");
  int adopted_only = 0;
  for (std::size_t pi = 0; pi < n; ++pi) {
    std::vector<std::string> births, unstated;
    for (const auto& [f, k] : links[pi]) {
      if (k == Link::birth) births.push_back(f);
      if (k == Link::unstated) unstated.push_back(f);
    }
    const std::vector<std::string>& pool = births.empty() ? unstated : births;
    if (pool.empty()) {
      if (!links[pi].empty()) ++adopted_only;
      continue;
    }
    const bool one_couple = std::all_of(pool.begin(), pool.end(), [&](const std::string& f) {
      return couple(f) == couple(pool.front());
    });
    const Person& p = in.people[pi];
    if (one_couple) {
      in.birth_family[pi] = pool.front();
    } else if (!births.empty()) {
      in.problems.push_back(at(file, p.line) + "@" + p.id + "@ has " +
                            std::to_string(births.size()) + " families of birth, " +
                            names(births) + " (\"PEDI birth\"): keep \"2 PEDI birth\" under only "
                            "one of its FAMC lines");
    } else {
      in.problems.push_back(at(file, p.line) + "@" + p.id + "@ is a child of " + names(unstated) +
                            ", and the file does not say which is the family of birth: add \"2 "
                            "PEDI birth\" under its FAMC line of that family, or \"2 PEDI "
                            "adopted\" (foster, sealing) under the others");
    }
  }
  if (adopted_only > 0) {
    in.notes.push_back(std::to_string(adopted_only) + " individual" +
                       (adopted_only == 1 ? " is a child" : "s are children") +
                       " only by adoption, fostering or sealing (PEDI, ADOP): " +
                       (adopted_only == 1 ? "its" : "their") +
                       " family of birth is unknown, the other family's parents are not taken "
                       "as parents");
  }

  // Parents from the families of birth; two husbands or two wives matter only there.
  std::vector<char> told(g.families.size(), 0);
  for (std::size_t pi = 0; pi < n; ++pi) {
    if (in.birth_family[pi].empty()) continue;
    const std::size_t fi = g.family_of.at(in.birth_family[pi]);
    const Family& f = g.families[fi];
    if (f.husbands.size() > 1 || f.wives.size() > 1) {
      if (!told[fi]) {
        const bool two_husbands = f.husbands.size() > 1;
        in.problems.push_back(at(file, f.line) + "family @" + f.xref + "@ names " +
                              std::to_string(two_husbands ? f.husbands.size() : f.wives.size()) +
                              (two_husbands ? " husbands, " : " wives, ") +
                              names(two_husbands ? f.husbands : f.wives) +
                              ", and has children: a child has one father and one mother");
        told[fi] = 1;
      }
      continue;
    }
    if (!f.husbands.empty()) in.people[pi].father = f.husbands.front();
    if (!f.wives.empty()) in.people[pi].mother = f.wives.front();
  }

  // HUSB and WIFE name the partners; GEDCOM 7 says they tell nothing of the sex. A partner whose
  // SEX is not that of its role takes the role's sex inside the chain; its SEX line is written
  // back as it was.
  std::unordered_map<std::string, int> role;  // xref -> 1 father, 2 mother
  for (const Person& p : in.people) {
    if (!p.father.empty()) role.emplace(p.father, 1);
    if (!p.mother.empty()) role.emplace(p.mother, 2);
  }
  int other_sex = 0;
  for (Person& p : in.people) {
    auto it = role.find(p.id);
    if (it == role.end() || p.sex == 0 || p.sex == it->second) continue;
    p.sex = 0;
    ++other_sex;
  }
  if (other_sex > 0) {
    in.notes.push_back(std::to_string(other_sex) + (other_sex == 1 ? " parent's" : " parents'") +
                       " SEX is not that of the role (HUSB or WIFE) in the family of " +
                       (other_sex == 1 ? "its" : "their") +
                       " children: the role is taken inside the chain, the SEX lines stay");
  }
}

// The file's text. GEDCOM 5.5.1 allows UTF-16 (CHAR UNICODE) without a byte order mark: a file
// whose first 16-bit unit is "0" is read as such, and written back without the mark.
TextFile read_gedcom_text(const std::string& file) {
  std::ifstream stream = open_input(file);
  std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
  if (stream.bad()) throw InputError(file, "read failed");
  const bool little = bytes.size() >= 2 && bytes[0] == '0' && bytes[1] == '\0';
  const bool big = bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] == '0';
  if (!little && !big) return split_text(bytes, file);
  TextFile text = split_text((little ? "\xFF\xFE" : "\xFE\xFF") + bytes, file);
  text.form.bom = false;
  return text;
}

}  // namespace

PedigreeInput read_gedcom(const std::string& file) {
  PedigreeInput in;
  in.format = Format::gedcom;
  in.file = file;
  TextFile text = read_gedcom_text(file);
  in.form = text.form;
  const std::vector<std::string>& lines = text.lines;

  // A file that does not begin with a header is not taken line by line: one message says so.
  GedcomLine first;
  std::size_t k = 0;
  while (k < lines.size() && blank_gedcom_line(lines[k])) ++k;
  if (k == lines.size() || !parse_gedcom_line(lines[k], first) || first.level != 0 ||
      first.tag != "HEAD") {
    const int line = k < lines.size() ? static_cast<int>(k) + 1 : 1;
    in.problems.push_back(at(file, line) + "not a GEDCOM file: no 0 HEAD");
    return in;
  }

  const Parsed g = parse_records(lines, in);
  find_families_of_birth(g, in);
  return in;
}

}  // namespace loopcut::prep
