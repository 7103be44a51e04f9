#include "ped_prep/pedigree_input.hpp"

#include <algorithm>
#include <sstream>
#include <unordered_set>

namespace loopcut::prep {

bool parse_format(const std::string& name, Format& format) {
  if (name == "linkage") format = Format::linkage;
  else if (name == "fam") format = Format::fam;
  else if (name == "gedcom") format = Format::gedcom;
  else if (name == "chain") format = Format::chain;
  else return false;
  return true;
}

const char* format_name(Format format) {
  switch (format) {
    case Format::linkage: return "linkage";
    case Format::fam: return "fam";
    case Format::gedcom: return "gedcom";
    case Format::chain: return "chain";
  }
  return "?";
}

PedigreeInput read_input(Format format, const std::string& file) {
  switch (format) {
    case Format::linkage: return read_linkage(file);
    case Format::fam: return read_fam(file);
    case Format::gedcom: return read_gedcom(file);
    case Format::chain: return read_chain_input(file);
  }
  return {};
}

bool looks_like_missing_code(const std::string& id) {
  return id == "x" || id == "X" || id == "-9" || id == "." || id == "NA" || id == "na";
}

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
