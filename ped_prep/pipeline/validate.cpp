// Checks an input pedigree before anything is written, and reports every problem it finds.
#include "ped_prep/pipeline/validate.hpp"

#include <algorithm>
#include <map>
#include <string>
#include <unordered_map>

#include "ped_prep/pipeline/name_index.hpp"

namespace loopcut::prep {

bool looks_like_missing_code(const std::string& id) {
  return id == "x" || id == "X" || id == "-9" || id == "." || id == "NA" || id == "na";
}

std::string who(const Person& p) {
  if (p.family.empty()) return p.id;
  return p.id + " of family " + p.family;
}

namespace {

std::string key(const std::string& family, const std::string& id) {
  std::string k = family;
  k += '\x1f';
  k += id;
  return k;
}

std::string at(const PedigreeInput& in, const Person& p) {
  return in.file + ":" + std::to_string(p.line) + ": ";
}

// Lists a few names, then how many more.
std::string some(const std::vector<std::string>& names) {
  std::string s;
  const std::size_t shown = names.size() <= 5 ? names.size() : 4;
  for (std::size_t i = 0; i < shown; ++i) s += (i ? ", " : "") + names[i];
  if (shown < names.size()) s += " and " + std::to_string(names.size() - shown) + " more";
  return s;
}

// Finds every individual that is its own ancestor; one message per cycle met.
void find_cycles(const PedigreeInput& in, const Parents& par, std::vector<std::string>& problems) {
  const int n = static_cast<int>(in.people.size());
  std::vector<char> colour(n, 0);  // 0 new, 1 on the path, 2 done
  std::vector<int> path;           // the current line of ancestors
  std::vector<int> next(n, 0);     // which parent of a path node to follow next
  for (int start = 0; start < n; ++start) {
    if (colour[start]) continue;
    path.push_back(start);
    colour[start] = 1;
    while (!path.empty()) {
      const int v = path.back();
      int parent = -1;
      while (next[v] < 2 && parent < 0) {
        parent = next[v] == 0 ? par.father[v] : par.mother[v];
        ++next[v];
      }
      if (parent < 0) {
        colour[v] = 2;
        path.pop_back();
        continue;
      }
      if (colour[parent] == 0) {
        colour[parent] = 1;
        path.push_back(parent);
      } else if (colour[parent] == 1) {
        // path[j + 1] is a parent of path[j]; the cycle runs from `parent` up the path to v,
        // which names `parent` as a parent again.
        std::size_t k = path.size();
        while (path[k - 1] != parent) --k;
        const std::vector<int> chain(path.begin() + static_cast<long>(k) - 1, path.end());
        const Person& top = in.people[parent];
        std::string text = who(top) + " is its own ancestor: ";
        for (std::size_t j = 0; j < chain.size(); ++j) {
          const int a = chain[j];
          const int b = j + 1 < chain.size() ? chain[j + 1] : parent;
          text += (j ? ", " : "") + in.people[a].id +
                  (par.father[a] == b ? " has father " : " has mother ") + in.people[b].id;
        }
        problems.push_back(at(in, top) + text);
      }
    }
  }
}

}  // namespace

std::vector<std::string> advice(const PedigreeInput& in, bool adding_missing_parents) {
  std::unordered_map<std::string, int> known;
  for (const Person& p : in.people) known.emplace(key(p.family, p.id), 0);
  std::vector<std::string> codes;
  bool unnamed = false;
  for (const Person& p : in.people) {
    for (const std::string* parent : {&p.father, &p.mother}) {
      if (parent->empty() || known.count(key(p.family, *parent))) continue;
      if (!looks_like_missing_code(*parent)) {
        unnamed = true;
      } else if (std::find(codes.begin(), codes.end(), *parent) == codes.end()) {
        codes.push_back(*parent);
      }
    }
  }
  std::vector<std::string> lines;
  const bool columns = in.format == Format::linkage || in.format == Format::fam;
  if (!codes.empty() && columns) {
    std::string list;
    for (std::size_t i = 0; i < codes.size(); ++i) list += (i ? ", \"" : "\"") + codes[i] + "\"";
    lines.push_back("the parent columns hold " + list +
                    ": in LINKAGE and .fam files 0 is the code for a missing parent");
  }
  if (unnamed && columns && !adding_missing_parents)
    lines.push_back("give --add-missing-parents to add a founder record for each parent named "
                    "without a record of its own");
  return lines;
}

namespace {

// Each parent named as the record of its family and identifier; a parent without a record is a
// problem, once per missing parent with the children naming it.
template <class Index>
void resolve_parents(const PedigreeInput& in, const Index& index, Parents& par,
                     std::vector<std::string>& problems) {
  const int n = static_cast<int>(in.people.size());
  std::map<std::string, std::pair<std::string, std::vector<std::string>>> missing;
  std::vector<std::string> missing_order;
  auto resolve = [&](int child, const std::string& parent, bool father) {
    if (parent.empty()) return -1;
    const Person& c = in.people[child];
    const int found = index.find(NameKey{c.family, parent});
    if (found >= 0) return found;
    const std::string k = key(c.family, parent);
    auto& entry = missing[k];
    if (entry.second.empty()) {
      missing_order.push_back(k);
      Person shown;
      shown.family = c.family;
      shown.id = parent;
      entry.first = at(in, c) + (father ? "father " : "mother ") + who(shown);
    }
    entry.second.push_back(c.id);
    return -1;
  };
  for (int i = 0; i < n; ++i) {
    par.father[i] = resolve(i, in.people[i].father, true);
    par.mother[i] = resolve(i, in.people[i].mother, false);
  }
  for (const std::string& k : missing_order) {
    const auto& [head, children] = missing[k];
    problems.push_back(head + " has no record (named by " + some(children) + ")");
  }
}

// Roles: nobody may be both a father and a mother, and the roles must fit the sex.
void check_roles(const PedigreeInput& in, const Parents& par, std::vector<std::string>& problems) {
  const int n = static_cast<int>(in.people.size());
  std::vector<int> as_father(n, -1), as_mother(n, -1);
  for (int i = 0; i < n; ++i) {
    const int f = par.father[i], m = par.mother[i];
    if (f >= 0 && f == m) {
      problems.push_back(at(in, in.people[i]) + who(in.people[i]) + " names " + in.people[f].id +
                         " as both father and mother");
      continue;
    }
    if (f >= 0 && as_father[f] < 0) as_father[f] = i;
    if (m >= 0 && as_mother[m] < 0) as_mother[m] = i;
  }
  for (int i = 0; i < n; ++i) {
    const Person& p = in.people[i];
    if (as_father[i] >= 0 && as_mother[i] >= 0) {
      problems.push_back(at(in, p) + who(p) + " is named as father (of " +
                         in.people[as_father[i]].id + ") and as mother (of " +
                         in.people[as_mother[i]].id + ")");
    } else if (as_father[i] >= 0 && p.sex == 2) {
      problems.push_back(at(in, p) + who(p) + " is the father of " + in.people[as_father[i]].id +
                         " but has sex 2 (female)");
    } else if (as_mother[i] >= 0 && p.sex == 1) {
      problems.push_back(at(in, p) + who(p) + " is the mother of " + in.people[as_mother[i]].id +
                         " but has sex 1 (male)");
    }
  }
}

}  // namespace

std::vector<std::string> validate(const PedigreeInput& in, Parents& par) {
  std::vector<std::string> problems = in.problems;
  if (in.people.empty() && problems.empty())
    problems.push_back(in.file + ": no individuals: the file is empty or holds only comments");
  const int n = static_cast<int>(in.people.size());
  par.father.assign(n, -1);
  par.mother.assign(n, -1);
  auto name_of = [&](int i) { return NameKey{in.people[i].family, in.people[i].id}; };
  NameIndex index(name_of, in.people.size());
  for (int i = 0; i < n; ++i) {
    const Person& p = in.people[i];
    const int found = index.insert(i);
    if (found != i) {
      const Person& first = in.people[found];
      problems.push_back(at(in, p) + "duplicate identifier " + who(p) + " (also on line " +
                         std::to_string(first.line) + ")");
    }
  }
  resolve_parents(in, index, par, problems);
  check_roles(in, par, problems);
  find_cycles(in, par, problems);
  return problems;
}

}  // namespace loopcut::prep
