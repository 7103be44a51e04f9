// The GEDCOM reader's second half: each individual's family of birth, and its parents from it.
#include <algorithm>
#include <unordered_map>

#include "ped_prep/formats/gedcom_records.hpp"

namespace loopcut::prep::gedcom {

namespace {

std::string names(const std::vector<std::string>& xrefs) {
  std::string s;
  for (std::size_t i = 0; i < xrefs.size(); ++i)
    s += (i == 0 ? "" : i + 1 == xrefs.size() ? " and " : ", ") + ("@" + xrefs[i] + "@");
  return s;
}

// Per person, the families it is a child of, with what the file says of the link: from its
// FAMC lines and from the families' CHIL lines.
using Links = std::vector<std::vector<std::pair<std::string, Link>>>;

Links child_links(const Parsed& g, const PedigreeInput& in) {
  const std::size_t n = in.people.size();
  Links links(n);
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
      // Pointers to no family were taken out already (drop_dangling_pointers).
      if (!f.empty() && g.family_of.count(f)) link(pi, f, kind);
    }
  }
  for (const Family& f : g.families) {
    for (std::size_t ci = 0; ci < f.children.size(); ++ci) {
      const std::string& child = f.children[ci];
      auto it = g.person_of.find(child);
      if (it != g.person_of.end()) link(it->second, f.xref, f.child_links[ci]);
    }
  }
  return links;
}

// The families marked birth, else those without a mark; a child of two couples with nothing to
// tell them apart is a problem.
void choose_birth_families(const Parsed& g, const Links& links, PedigreeInput& in) {
  const std::string& file = in.file;
  auto couple = [&](const std::string& xref) {
    const Family& f = g.families[g.family_of.at(xref)];
    return std::make_pair(f.husbands, f.wives);
  };
  in.birth_family.assign(in.people.size(), "");
  int adopted_only = 0;
  for (std::size_t pi = 0; pi < in.people.size(); ++pi) {
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
}

// Parents from the families of birth; two husbands or two wives matter only there.
void take_parents(const Parsed& g, PedigreeInput& in) {
  std::vector<char> told(g.families.size(), 0);
  for (std::size_t pi = 0; pi < in.people.size(); ++pi) {
    if (in.birth_family[pi].empty()) continue;
    const std::size_t fi = g.family_of.at(in.birth_family[pi]);
    const Family& f = g.families[fi];
    if (f.husbands.size() > 1 || f.wives.size() > 1) {
      if (!told[fi]) {
        const bool two_husbands = f.husbands.size() > 1;
        in.problems.push_back(at(in.file, f.line) + "family @" + f.xref + "@ names " +
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
}

// HUSB and WIFE name the partners; GEDCOM 7 says they tell nothing of the sex. A partner whose
// SEX is not that of its role takes the role's sex inside the chain; its SEX line is written
// back as it was.
void take_roles(PedigreeInput& in) {
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

}  // namespace

void find_families_of_birth(const Parsed& g, PedigreeInput& in) {
  const Links links = child_links(g, in);
  choose_birth_families(g, links, in);
  take_parents(g, in);
  take_roles(in);
}

}  // namespace loopcut::prep::gedcom
