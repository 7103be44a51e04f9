// Writing a cut pedigree back as LINKAGE or .fam: every line of the input in its place.
#include <map>
#include <unordered_map>

#include "common/files.hpp"
#include "ped_prep/formats/linkage_fam.hpp"

namespace loopcut::prep {

namespace {

// The line with some of its whitespace-separated fields (numbered from 0) replaced; everything
// else, the blanks and tabs between the fields included, stays as written.
std::string with_fields(const std::string& line, const std::map<int, std::string>& fields) {
  std::string out;
  std::size_t pos = 0;
  int field = 0;
  while (pos < line.size()) {
    const std::size_t start = line.find_first_not_of(" \t\v\f", pos);
    if (start == std::string::npos) break;
    out.append(line, pos, start - pos);
    std::size_t end = line.find_first_of(" \t\v\f", start);
    if (end == std::string::npos) end = line.size();
    auto it = fields.find(field++);
    if (it != fields.end()) {
      out += it->second;
    } else {
      out.append(line, start, end - start);
    }
    pos = end;
  }
  out.append(line, pos, std::string::npos);
  return out;
}

}  // namespace

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
