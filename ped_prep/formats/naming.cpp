// The names of the cut pedigree's records as they are written back: the input's own identifiers,
// a breaker copy's made from its original's.
#include "ped_prep/formats/naming.hpp"

#include <algorithm>
#include <stdexcept>

#include "common/errors.hpp"
#include "ped_prep/formats/gedcom.hpp"
#include "ped_prep/pipeline/name_index.hpp"

namespace loopcut::prep {

namespace {

std::string original_id(const PedigreeInput& in, const Prepared& p, int row) {
  const ChainRow& r = p.rows[row];
  if (r.person >= 0) return in.people[r.person].id;
  return in.people[r.known_parent].id + "_u";
}

std::string family_of(const PedigreeInput& in, const Prepared& p, int row) {
  const ChainRow& r = p.rows[row];
  return in.people[r.person >= 0 ? r.person : r.known_parent].family;
}

// The record with this identifier; a parent that is no record of the file is a fault of the
// file.
int id_index(const std::vector<int>& index_of_id, int id) {
  if (id < 0 || static_cast<std::size_t>(id) >= index_of_id.size() || index_of_id[id] < 0)
    throw std::out_of_range("no record " + std::to_string(id));
  return index_of_id[static_cast<std::size_t>(id)];
}

// The label without its trailing blanks.
std::string_view label_text(const Label& l) {
  std::string_view v = label_view(l);
  while (!v.empty() && v.back() == ' ') v.remove_suffix(1);
  return v;
}

}  // namespace

Identities identify(const PedigreeInput& in, const Prepared& p, const ChainFile& cut) {
  auto label_of_row = [&](int r) { return NameKey{label_text(p.rows[r].kod), {}}; };
  NameIndex row_of_label(label_of_row, p.rows.size());
  for (std::size_t r = 0; r < p.rows.size(); ++r) row_of_label.insert(static_cast<int>(r));
  // Family and identifier of every record written: the input's people, its GEDCOM records
  // (a cross-reference names one record of any kind) and then the names made here.
  const int people = static_cast<int>(in.people.size());
  std::vector<const std::string*> xrefs;
  for (const GedcomRecord& rec : in.gedcom)
    if (!rec.xref.empty()) xrefs.push_back(&rec.xref);
  const int first_made = people + static_cast<int>(xrefs.size());
  std::vector<std::pair<std::string, std::string>> made;
  auto name_of = [&](int v) {
    if (v < people) return NameKey{in.people[v].family, in.people[v].id};
    if (v < first_made) return NameKey{{}, *xrefs[v - people]};
    const auto& m = made[static_cast<std::size_t>(v - first_made)];
    return NameKey{m.first, m.second};
  };
  NameIndex taken(name_of, static_cast<std::size_t>(first_made));
  for (int v = 0; v < first_made; ++v) taken.insert(v);
  auto is_taken = [&](const std::string& family, const std::string& id) {
    return taken.find(NameKey{family, id}) >= 0;
  };
  auto take = [&](const std::string& family, const std::string& id) {
    made.emplace_back(family, id);
    taken.insert(first_made + static_cast<int>(made.size()) - 1);
  };

  const std::string copy_suffix = in.format == Format::gedcom && is_gedcom_7(in) ? "_C" : "_c";

  Identities out;
  const int m = static_cast<int>(cut.records.size());
  out.records.resize(static_cast<std::size_t>(m));
  int largest_id = 0;
  for (const ChainRecord& c : cut.records) largest_id = std::max(largest_id, c.id);
  std::vector<int> index_of_id(static_cast<std::size_t>(largest_id) + 1, -1);
  std::vector<int> copies_made(p.rows.size(), 0);  // per row of `prepared`
  // The cut file keeps the rows of a pedigree in their order, so the row after the last one
  // matched is tried first; labels are unique, so a row whose label is the same is the one.
  int next_row = 0;
  auto row_labelled = [&](const Label& kod) {
    if (next_row < static_cast<int>(p.rows.size()) && p.rows[next_row].kod == kod) return next_row;
    return row_of_label.find(NameKey{label_text(kod), {}});
  };
  for (int k = 0; k < m; ++k) {
    const ChainRecord& c = cut.records[k];
    if (c.id >= 0) index_of_id[static_cast<std::size_t>(c.id)] = k;
    const int row = row_labelled(c.kod);
    if (row >= 0 && c.prob != 1) next_row = row + 1;
    if (row < 0)
      throw InputError(cut.file, "label " + trimmed(c.kod) + " is not one of the imported pedigree");
    OutRecord& o = out.records[k];
    o.row = row;
    o.copy = c.prob == 1;
    o.family = family_of(in, p, o.row);
    o.sex = c.sex;
    const std::string base = original_id(in, p, o.row);
    if (!o.copy) {
      o.id = base;
      if (p.rows[o.row].person < 0) {
        // An added parent's name must not clash with an identifier of the input.
        std::string id = base;
        for (int n = 2; is_taken(o.family, id); ++n) id = base + std::to_string(n);
        take(o.family, id);
        o.id = id;
        // Stand-ins are written only in the chain's own format.
        if (in.format == Format::chain)
          out.side.push_back(o.family + "\t" + o.id + "\tadded " +
                             (o.sex == 1 ? "father" : "mother") + "\t" +
                             in.people[p.rows[o.row].known_parent].id);
      }
    } else {
      int& n = copies_made[o.row];
      std::string id;
      do {
        id = base + copy_suffix + std::to_string(++n);
      } while (is_taken(o.family, id));
      take(o.family, id);
      o.id = id;
      if (in.format == Format::chain) {
        // In the chain's format a copy is the record that carries the breaker's label with
        // prob 1; it is named by its row there.
        const Person& breaker = in.people[p.rows[o.row].person >= 0 ? p.rows[o.row].person
                                                                     : p.rows[o.row].known_parent];
        std::string line(1, '\t');
        line.append(std::to_string(c.id)).append("\tcopy\t");
        line.append(breaker.extra.empty() ? breaker.id : breaker.extra);
        out.side.push_back(line);
      } else if (in.format != Format::gedcom || p.rows[o.row].person >= 0) {
        // GEDCOM writes no stand-ins for unknown parents, nor their copies.
        out.side.push_back(o.family + "\t" + o.id + "\tcopy\t" + base);
      }
    }
  }
  for (int k = 0; k < m; ++k) {
    const ChainRecord& c = cut.records[k];
    OutRecord& o = out.records[k];
    if (c.fa) o.father = id_index(index_of_id, c.fa);
    if (c.mo) o.mother = id_index(index_of_id, c.mo);
    if (o.father >= 0) out.records[o.father].has_children = true;
    if (o.mother >= 0) out.records[o.mother].has_children = true;
  }
  return out;
}

}  // namespace loopcut::prep
