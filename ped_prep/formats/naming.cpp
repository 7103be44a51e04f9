// The names of the cut pedigree's records as they are written back: the input's own identifiers,
// a breaker copy's made from its original's.
#include "ped_prep/formats/naming.hpp"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "common/errors.hpp"
#include "ped_prep/formats/gedcom_line.hpp"
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

// The family and identifier of every record written: the input's people, its GEDCOM records
// (a cross-reference names one record of any kind) and then the names made here.
class TakenNames {
 public:
  explicit TakenNames(const PedigreeInput& in)
      : in_(in), xrefs_(xrefs_of(in)),
        first_made_(static_cast<int>(in.people.size() + xrefs_.size())),
        index_(NameOf{this}, static_cast<std::size_t>(first_made_)) {
    for (int v = 0; v < first_made_; ++v) index_.insert(v);
  }
  TakenNames(const TakenNames&) = delete;
  TakenNames& operator=(const TakenNames&) = delete;

  bool taken(const std::string& family, const std::string& id) const {
    return index_.find(NameKey{family, id}) >= 0;
  }
  void take(const std::string& family, const std::string& id) {
    made_.emplace_back(family, id);
    index_.insert(first_made_ + static_cast<int>(made_.size()) - 1);
  }

 private:
  struct NameOf {
    const TakenNames* names;
    NameKey operator()(int v) const { return names->name(v); }
  };

  static std::vector<const std::string*> xrefs_of(const PedigreeInput& in) {
    std::vector<const std::string*> xrefs;
    for (const GedcomRecord& rec : in.gedcom)
      if (!rec.xref.empty()) xrefs.push_back(&rec.xref);
    return xrefs;
  }

  NameKey name(int v) const {
    const int people = static_cast<int>(in_.people.size());
    if (v < people) return NameKey{in_.people[v].family, in_.people[v].id};
    if (v < first_made_) return NameKey{{}, *xrefs_[v - people]};
    const auto& m = made_[static_cast<std::size_t>(v - first_made_)];
    return NameKey{m.first, m.second};
  }

  const PedigreeInput& in_;
  std::vector<const std::string*> xrefs_;
  int first_made_;
  std::vector<std::pair<std::string, std::string>> made_;
  NameIndex<NameOf> index_;
};

// A record that stands for a row of its own: the input's identifier; an added parent (a
// stand-in) the known parent's with _u, made unique.
void name_individual(const PedigreeInput& in, const Prepared& p, TakenNames& names,
                     OutRecord& o, Identities& out) {
  const std::string base = original_id(in, p, o.row);
  o.id = base;
  if (p.rows[o.row].person >= 0) return;
  // An added parent's name must not clash with an identifier of the input.
  std::string id = base;
  for (int n = 2; names.taken(o.family, id); ++n) id = base + std::to_string(n);
  names.take(o.family, id);
  o.id = id;
  // Stand-ins are written only in the chain's own format.
  if (in.format == Format::chain)
    out.side.push_back(o.family + "\t" + o.id + "\tadded " + (o.sex == 1 ? "father" : "mother") +
                       "\t" + in.people[p.rows[o.row].known_parent].id);
}

// A breaker copy: its original's identifier with the suffix and the first free number, counted
// per original in `copies_made`.
void name_copy(const PedigreeInput& in, const Prepared& p, const ChainRecord& c,
               const std::string& copy_suffix, TakenNames& names, int& copies_made, OutRecord& o,
               Identities& out) {
  const std::string base = original_id(in, p, o.row);
  std::string id;
  do {
    id = base + copy_suffix + std::to_string(++copies_made);
  } while (names.taken(o.family, id));
  names.take(o.family, id);
  o.id = id;
  const ChainRow& row = p.rows[o.row];
  if (in.format == Format::chain) {
    // In the chain's format a copy is the record that carries the breaker's label with
    // prob 1; it is named by its row there.
    const Person& breaker = in.people[row.person >= 0 ? row.person : row.known_parent];
    std::string line(1, '\t');
    line.append(std::to_string(c.id)).append("\tcopy\t");
    line.append(breaker.extra.empty() ? breaker.id : breaker.extra);
    out.side.push_back(line);
  } else if (in.format != Format::gedcom || row.person >= 0) {
    // GEDCOM writes no stand-ins for unknown parents, nor their copies.
    out.side.push_back(o.family + "\t" + o.id + "\tcopy\t" + base);
  }
}

// Every record's parents, as indices of the records; and which records have children.
void link_parents(const ChainFile& cut, const std::vector<int>& index_of_id, Identities& out) {
  for (std::size_t k = 0; k < cut.records.size(); ++k) {
    const ChainRecord& c = cut.records[k];
    OutRecord& o = out.records[k];
    if (c.fa) o.father = id_index(index_of_id, c.fa);
    if (c.mo) o.mother = id_index(index_of_id, c.mo);
    if (o.father >= 0) out.records[o.father].has_children = true;
    if (o.mother >= 0) out.records[o.mother].has_children = true;
  }
}

// A stand-in stands for every unknown mate of its known parent, so that the chain sees their
// loops; written as a record, it would make full sibs of children whom the file makes half-sibs
// at most. For the LINKAGE programs, which take both parents or none, each child of a stand-in
// gets one of its own, written right after the first. A stand-in is on no loop, so the cut is
// the same.
void split_stand_ins(const Prepared& p, Identities& out) {
  const std::vector<OutRecord>& old = out.records;
  std::vector<std::vector<int>> children(old.size());
  for (std::size_t k = 0; k < old.size(); ++k)
    for (const int parent : {old[k].father, old[k].mother})
      if (parent >= 0 && p.rows[old[parent].row].person < 0)
        children[parent].push_back(static_cast<int>(k));
  std::vector<OutRecord> records;
  std::vector<int> moved(old.size(), -1);
  struct OwnStandIn {
    std::size_t child, shared;  // old indices
    int stand_in;               // new index
  };
  std::vector<OwnStandIn> own;
  for (std::size_t k = 0; k < old.size(); ++k) {
    moved[k] = static_cast<int>(records.size());
    records.push_back(old[k]);
    for (std::size_t c = 1; c < children[k].size(); ++c) {
      own.push_back({static_cast<std::size_t>(children[k][c]), k,
                     static_cast<int>(records.size())});
      records.push_back(old[k]);
    }
  }
  auto moved_index = [&](int k) { return k < 0 ? k : moved[static_cast<std::size_t>(k)]; };
  for (OutRecord& o : records) {
    o.father = moved_index(o.father);
    o.mother = moved_index(o.mother);
  }
  for (const OwnStandIn& s : own) {
    OutRecord& c = records[static_cast<std::size_t>(moved[s.child])];
    (c.father == moved[s.shared] ? c.father : c.mother) = s.stand_in;
  }
  out.records = std::move(records);
}

// For the LINKAGE programs, which take whole-number identifiers: each stand-in written and then
// each copy gets the next number above the largest of its family, in the order of the records;
// the side file lists them so.
void number_made_records(const PedigreeInput& in, const Prepared& p, Identities& out) {
  std::map<std::string, long> largest;  // the input's identifiers are whole numbers here
  for (const Person& person : in.people) {
    long& l = largest[person.family];
    l = std::max(l, std::stol(person.id));
  }
  std::vector<OutRecord>& records = out.records;
  auto stand_in = [&](const OutRecord& o) { return !o.copy && p.rows[o.row].person < 0; };
  for (const bool copies : {false, true})
    for (OutRecord& o : records)
      if (copies ? o.copy : stand_in(o)) o.id = std::to_string(++largest[o.family]);
  std::vector<int> record_of_row(p.rows.size(), -1);
  for (std::size_t k = 0; k < records.size(); ++k)
    if (!records[k].copy) record_of_row[records[k].row] = static_cast<int>(k);
  out.side.clear();
  for (const OutRecord& o : records) {
    if (stand_in(o))
      out.side.push_back(o.family + "\t" + o.id + "\tadded " + (o.sex == 1 ? "father" : "mother") +
                         "\t" + in.people[p.rows[o.row].known_parent].id);
    else if (o.copy)
      out.side.push_back(o.family + "\t" + o.id + "\tcopy\t" +
                         records[record_of_row[o.row]].id);
  }
}

}  // namespace

Identities identify(const PedigreeInput& in, const Prepared& p, const ChainFile& cut,
                    Format written) {
  auto label_of_row = [&](int r) { return NameKey{label_text(p.rows[r].kod), {}}; };
  NameIndex row_of_label(label_of_row, p.rows.size());
  for (std::size_t r = 0; r < p.rows.size(); ++r) row_of_label.insert(static_cast<int>(r));
  TakenNames names(in);
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
    if (!o.copy) name_individual(in, p, names, o, out);
    else name_copy(in, p, c, copy_suffix, names, copies_made[o.row], o, out);
  }
  link_parents(cut, index_of_id, out);
  if (written == Format::makeped) {
    split_stand_ins(p, out);
    number_made_records(in, p, out);
  }
  return out;
}

}  // namespace loopcut::prep
