// Writing a cut pedigree post-makeped: the input's rows in their order with the parents, the
// pointer columns and the loop numbers of the cut; the family's stand-ins and copies after it.
#include <map>
#include <sstream>
#include <unordered_map>

#include "common/files.hpp"
#include "ped_prep/formats/column_fields.hpp"
#include "ped_prep/formats/linkage_fam.hpp"
#include "ped_prep/formats/makeped.hpp"

namespace loopcut::prep {

namespace {

// A row of the output: the record it writes (an index of `ids.records`) and the line it is made
// from, already in the nine-column layout.
struct OutRow {
  int record = -1;
  std::string line;
};

// A pre-makeped record line in the post-makeped layout: the three pointer columns after the
// mother and the proband column after the sex, all 0 until rewritten.
std::string post_makeped_line(const PedigreeInput& in, const std::string& line) {
  if (in.format == Format::makeped) return line;
  const std::string s(1, in.separator);
  std::string_view rest;
  const auto f = split_fields(line, 5, rest);
  return with_fields(line, {{3, std::string(f[3]) + s + "0" + s + "0" + s + "0"},
                            {4, std::string(f[4]) + s + "0"}});
}

// The phenotype columns of a record with nothing known: as many 0 as the input's records have.
std::string unknown_phenotypes(const PedigreeInput& in) {
  std::size_t most = 0;
  for (const Person& person : in.people) {
    std::istringstream s(person.extra);
    std::size_t n = 0;
    for (std::string w; s >> w && w != "Ped:";) ++n;
    most = std::max(most, n);
  }
  std::string unknown;
  for (std::size_t i = 0; i < most; ++i) unknown += std::string(1, in.separator) + "0";
  return unknown;
}

}  // namespace

void write_makeped(const PedigreeInput& in, const Prepared& p, const Identities& ids,
                   const std::string& output) {
  const std::vector<OutRecord>& records = ids.records;
  const std::size_t n = in.people.size();
  std::vector<int> record_of(n, -1), record_of_row(p.rows.size(), -1);
  for (std::size_t k = 0; k < records.size(); ++k) {
    const OutRecord& o = records[k];
    if (o.copy) continue;
    record_of_row[o.row] = static_cast<int>(k);
    if (p.rows[o.row].person >= 0) record_of[p.rows[o.row].person] = static_cast<int>(k);
  }
  std::unordered_map<std::string, std::size_t> last_of_family;
  for (std::size_t i = 0; i < n; ++i)
    if (!in.people[i].added) last_of_family[in.people[i].family] = i;
  // Added parents, then stand-ins and copies, after the last row of their family.
  std::vector<std::vector<int>> after(n);
  for (std::size_t i = 0; i < n; ++i)
    if (in.people[i].added) after[last_of_family.at(in.people[i].family)].push_back(record_of[i]);
  for (std::size_t k = 0; k < records.size(); ++k) {
    const OutRecord& o = records[k];
    if (o.copy || p.rows[o.row].person < 0)
      after[last_of_family.at(o.family)].push_back(static_cast<int>(k));
  }
  std::vector<int> person_at(in.lines.size(), -1);
  for (std::size_t i = 0; i < n; ++i)
    if (!in.people[i].added)
      person_at[static_cast<std::size_t>(in.people[i].line - 1)] = static_cast<int>(i);
  std::vector<char> joined(in.lines.size(), 0);
  for (int l : in.joined_lines) joined[static_cast<std::size_t>(l - 1)] = 1;

  const std::string unknown = unknown_phenotypes(in);
  const std::string s(1, in.separator);
  // The line a made record starts from: its original's for a copy, unknowns for a stand-in.
  auto source_line = [&](int k) {
    const OutRecord& o = records[k];
    const int person = p.rows[o.row].person;
    if (person >= 0) return post_makeped_line(in, record_line(in, in.people[person]));
    return o.family + s + o.id + s + "0 0 0 0 0" + s + std::to_string(o.sex) + s + "0" + unknown;
  };
  std::vector<OutRow> rows;
  std::vector<std::string> lines_out;
  for (std::size_t l = 0; l < in.lines.size(); ++l) {
    if (joined[l]) continue;
    const int i = person_at[l];
    if (i < 0) {
      lines_out.push_back(in.lines[l]);
      rows.push_back({-1, {}});
      continue;
    }
    rows.push_back({record_of[i], post_makeped_line(in, in.lines[l])});
    for (int k : after[i]) rows.push_back({k, source_line(k)});
  }
  // The pointer columns, in the order of the rows written.
  std::vector<int> first(records.size(), -1), last(records.size(), -1);
  std::vector<int> next_paternal(records.size(), -1), next_maternal(records.size(), -1);
  for (const OutRow& r : rows) {
    if (r.record < 0) continue;
    const OutRecord& o = records[r.record];
    for (const int parent : {o.father, o.mother}) {
      if (parent < 0) continue;
      if (first[parent] < 0)
        first[parent] = r.record;
      else
        (parent == o.father ? next_paternal : next_maternal)[last[parent]] = r.record;
      last[parent] = r.record;
    }
  }
  // Loop numbers: 2, 3, ... per family in the order of the breakers' rows.
  std::vector<int> has_copy(p.rows.size(), 0), loop_of_row(p.rows.size(), 0);
  for (const OutRecord& o : records)
    if (o.copy) has_copy[o.row] = 1;
  std::map<std::string, int> loops;
  for (const OutRow& r : rows)
    if (r.record >= 0 && !records[r.record].copy && has_copy[records[r.record].row])
      loop_of_row[records[r.record].row] =
          ++loops.try_emplace(records[r.record].family, 1).first->second;
  auto id = [&](int k) { return k < 0 ? std::string("0") : records[k].id; };
  OutputFile out(output, output_mode(output), in.form);
  std::size_t comment = 0;
  for (const OutRow& r : rows) {
    if (r.record < 0) {
      out.line(lines_out[comment++]);
      continue;
    }
    const OutRecord& o = records[r.record];
    const int person = p.rows[o.row].person;
    const bool proband = !o.copy && person >= 0 && in.people[person].proband;
    const int loop = loop_of_row[o.row];
    std::string mark = proband ? "1" : std::to_string(loop);
    out.line(with_fields(r.line,
                         {{1, o.id},
                          {2, id(o.father)},
                          {3, id(o.mother)},
                          {4, id(first[r.record])},
                          {5, id(next_paternal[r.record])},
                          {6, id(next_maternal[r.record])},
                          {8, mark}},
                         true));
  }
  out.commit();
}

}  // namespace loopcut::prep
