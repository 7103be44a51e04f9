// Writing a cut pedigree back in the format it came in.
#include "ped_prep/export.hpp"

#include <algorithm>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "ped_prep/gedcom_line.hpp"
#include "ped_prep/name_index.hpp"

namespace loopcut::prep {

namespace {

// "-" names standard output.
OutputFile::Mode mode_for(const std::string& output) {
  return output == "-" ? OutputFile::Mode::standard_output : OutputFile::Mode::replace_when_done;
}

std::string original_id(const PedigreeInput& in, const Prepared& p, int row) {
  const ChainRow& r = p.rows[row];
  if (r.person >= 0) return in.people[r.person].id;
  return in.people[r.known_parent].id + "_u";
}

std::string family_of(const PedigreeInput& in, const Prepared& p, int row) {
  const ChainRow& r = p.rows[row];
  return in.people[r.person >= 0 ? r.person : r.known_parent].family;
}

// Whether the header says GEDCOM 7, whose cross-references are upper case.
bool gedcom_7(const PedigreeInput& in) {
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag != "HEAD") continue;
    std::string level1;
    GedcomLine l;
    for (const std::string& line : rec.lines) {
      if (!parse_gedcom_line(line, l)) continue;
      if (l.level == 1) level1 = l.tag;
      if (l.level == 2 && level1 == "GEDC" && l.tag == "VERS") return l.value.rfind('7', 0) == 0;
    }
  }
  return false;
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

  const std::string copy_suffix = in.format == Format::gedcom && gedcom_7(in) ? "_C" : "_c";

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

// LINKAGE and .fam: every line of the input in its place, a record rewritten only where its
// parents changed; added parents and then the copies follow the last record of their family.
// Stand-in parents stay inside the chain: their children keep the unknown parent they had.
void write_columns_format(const PedigreeInput& in, const Prepared& p, const Identities& ids,
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
  OutputFile out(output, mode_for(output), in.form);
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

void write_chain_format(const PedigreeInput& in, const Prepared& p, const ChainFile& cut,
                        const Identities& ids, const std::string& output) {
  OutputFile out(output, mode_for(output), in.form);
  out.line(" ped id fa mo sex prob kod");
  for (std::size_t k = 0; k < cut.records.size(); ++k) {
    const ChainRecord& c = cut.records[k];
    const ChainRow& r = p.rows[ids.records[k].row];
    const Label label = r.person >= 0 && !in.people[r.person].extra.empty()
                            ? make_label(in.people[r.person].extra)
                            : c.kod;
    out.line(pedigree_line(c.ped, c.id, c.fa, c.mo, c.sex, c.prob, label));
  }
  out.commit();
}

// GEDCOM: the records of the input in their order, each with its own lines, except for the
// links that move to the copies. Where the cut gave the children of a family to a copy of one
// of its parents, the family's HUSB or WIFE line names the copy, and the parent's FAMS line of
// that family (with the lines under it) moves to the copy. A copy's INDI record follows its
// original's: the original's lines without FAMC, FAMS and record identifiers (UID, _UID, RIN),
// a NOTE naming the original, and the copy's FAMS lines. Stand-ins for unknown parents are not written. The header gets a NOTE on
// what was cut, unless it has a NOTE already.
void write_gedcom_format(const PedigreeInput& in, const Prepared& p, const Identities& ids,
                         const std::string& output) {
  const int m = static_cast<int>(ids.records.size());
  auto person_of = [&](int k) { return k < 0 ? -1 : p.rows[ids.records[k].row].person; };
  // The identifier a parent is written with: none for a stand-in or a stand-in's copy.
  auto written_id = [&](int k) { return person_of(k) < 0 ? std::string() : ids.records[k].id; };

  std::vector<int> record_of_person(in.people.size(), -1);
  std::vector<std::vector<int>> copies_of(in.people.size());
  for (int k = 0; k < m; ++k) {
    const int person = person_of(k);
    if (person < 0) continue;
    if (ids.records[k].copy) copies_of[person].push_back(k);
    else record_of_person[person] = k;
  }

  // Per family whose children the cut gave to a copy: the husband and wife of the input, and
  // those written.
  struct Couple {
    std::string husband, wife;
    bool operator==(const Couple&) const = default;
  };
  struct Move {
    Couple was, now;
  };
  std::unordered_map<std::string, std::string> original_of_copy;
  for (std::size_t i = 0; i < in.people.size(); ++i)
    for (int k : copies_of[i]) original_of_copy.emplace(ids.records[k].id, in.people[i].id);
  auto same_or_copy = [&](const std::string& written, const std::string& original) {
    auto it = original_of_copy.find(written);
    return written == original || (it != original_of_copy.end() && it->second == original);
  };
  std::unordered_map<std::string, Move> moved;
  std::unordered_map<std::string, Couple> seen;  // the parents the cut gives each family
  for (std::size_t c = 0; c < in.people.size(); ++c) {
    const std::string& family = in.birth_family[c];
    const int k = record_of_person[c];
    if (family.empty() || k < 0) continue;
    const Couple now{written_id(ids.records[k].father), written_id(ids.records[k].mother)};
    auto [it, fresh] = seen.emplace(family, now);
    if (!fresh && !(it->second == now))
      throw std::logic_error("the cut gave the children of family @" + family +
                             "@ different parents");
    const Couple was{in.people[c].father, in.people[c].mother};
    if (!fresh || now == was) continue;
    // A parent can only have been replaced by a copy of itself.
    if (!same_or_copy(now.husband, was.husband) || !same_or_copy(now.wife, was.wife))
      throw std::logic_error("the cut gave the children of family @" + family +
                             "@ parents from outside the family");
    moved.emplace(family, Move{was, now});
  }

  std::vector<std::string> lines;
  auto level_and_tag = [](const std::string& raw, GedcomLine& l) {
    return parse_gedcom_line(raw, l) ? l.level : -1;
  };
  // The record's lines after the first, without the level-1 lines that `drop` picks and the
  // lines under them.
  auto body = [&](const GedcomRecord& rec, const auto& drop, bool skip_blank) {
    std::vector<std::string> kept;
    bool dropping = false;
    GedcomLine l;
    for (std::size_t i = 1; i < rec.lines.size(); ++i) {
      if (blank_gedcom_line(rec.lines[i])) {
        if (!skip_blank) kept.push_back(rec.lines[i]);
        continue;
      }
      const int level = level_and_tag(rec.lines[i], l);
      if (level >= 0 && level <= 1) dropping = level == 1 && drop(l);
      if (!dropping) kept.push_back(rec.lines[i]);
    }
    return kept;
  };
  // The copy that takes the place of `parent` as husband or wife of `family`; empty for none.
  auto moves_to = [&](const std::string& family, const std::string& parent, bool husband) {
    auto it = moved.find(family);
    if (it == moved.end()) return std::string();
    const Couple& was = it->second.was;
    const Couple& now = it->second.now;
    if (husband) return was.husband == parent && now.husband != parent ? now.husband : std::string();
    return was.wife == parent && now.wife != parent ? now.wife : std::string();
  };

  int copies = 0;
  std::vector<std::string> families_in_order;
  for (const GedcomRecord& rec : in.gedcom)
    if (rec.tag == "FAM" && moved.count(rec.xref)) families_in_order.push_back(rec.xref);
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag == "INDI" && rec.person >= 0) {
      const Person& person = in.people[rec.person];
      auto moving = [&](const GedcomLine& l) {
        if (l.tag != "FAMS") return false;
        const std::string family = gedcom_pointer(l.value);
        return !moves_to(family, person.id, true).empty() ||
               !moves_to(family, person.id, false).empty();
      };
      lines.push_back(rec.lines.front());
      for (std::string& line : body(rec, moving, false)) lines.push_back(std::move(line));
      for (int k : copies_of[rec.person]) {
        const std::string& id = ids.records[k].id;
        lines.push_back("0 @" + id + "@ INDI");
        // Not the original's links, nor the identifiers that name one record only (a program
        // that reads the file back would take the copy for the original).
        auto not_copied = [](const GedcomLine& l) {
          return l.tag == "FAMC" || l.tag == "FAMS" || l.tag == "UID" || l.tag == "_UID" ||
                 l.tag == "RIN";
        };
        for (std::string& line : body(rec, not_copied, true)) lines.push_back(std::move(line));
        // The original is named without its @ signs, which a line of text may not hold.
        lines.push_back("1 NOTE copy of " + person.id + ", made to break a pedigree loop");
        for (const std::string& family : families_in_order) {
          const Couple& c = moved.at(family).now;
          if (c.husband == id || c.wife == id) lines.push_back("1 FAMS @" + family + "@");
        }
        ++copies;
      }
    } else if (rec.tag == "FAM" && moved.count(rec.xref)) {
      lines.push_back(rec.lines.front());
      GedcomLine l;
      for (std::size_t i = 1; i < rec.lines.size(); ++i) {
        const std::string& raw = rec.lines[i];
        std::string now;
        if (level_and_tag(raw, l) == 1 && (l.tag == "HUSB" || l.tag == "WIFE"))
          now = moves_to(rec.xref, gedcom_pointer(l.value), l.tag == "HUSB");
        if (now.empty()) {
          lines.push_back(raw);
        } else {
          // The pointer is the end of the line; anything after its closing @ stays.
          const std::size_t close = raw.rfind('@');
          const std::size_t open = raw.rfind('@', close - 1);
          lines.push_back(raw.substr(0, open) + "@" + now + raw.substr(close));
        }
      }
    } else {
      for (const std::string& line : rec.lines) lines.push_back(line);
    }
  }

  // The header's NOTE, at the end of the header.
  if (copies > 0 && !in.gedcom.empty()) {
    std::size_t head = 0;  // first line of the header
    std::size_t line_no = 0;
    const GedcomRecord* header = nullptr;
    for (const GedcomRecord& rec : in.gedcom) {
      if (rec.tag == "HEAD") {
        header = &rec;
        head = line_no;
        break;
      }
      line_no += rec.lines.size();
    }
    bool has_note = false;
    GedcomLine l;
    std::size_t end = head + 1;  // after the header's last line that is not blank
    for (std::size_t i = 1; header && i < header->lines.size(); ++i) {
      if (blank_gedcom_line(header->lines[i])) continue;
      end = head + i + 1;
      has_note = has_note || (level_and_tag(header->lines[i], l) == 1 && l.tag == "NOTE");
    }
    if (header && !has_note) {
      int breakers = 0;
      for (const auto& copies_of_one : copies_of) breakers += copies_of_one.empty() ? 0 : 1;
      lines.insert(lines.begin() + static_cast<long>(end),
                   "1 NOTE pedigree loops broken: the offspring of " + std::to_string(breakers) +
                       (breakers == 1 ? " individual" : " individuals") + " moved to " +
                       std::to_string(copies) + (copies == 1 ? " copy" : " copies") +
                       " (INDI records with a NOTE naming the original)");
    }
  }

  OutputFile out(output, mode_for(output), in.form);
  for (const std::string& line : lines) out.line(line);
  out.commit();
}

}  // namespace

std::string copies_file_name(const std::string& output) { return output + ".copies.tsv"; }

int export_pedigree(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    Identities ids, const std::string& output) {
  switch (in.format) {
    case Format::linkage:
    case Format::fam: write_columns_format(in, prepared, ids, output); break;
    case Format::chain: write_chain_format(in, prepared, cut, ids, output); break;
    case Format::gedcom: write_gedcom_format(in, prepared, ids, output); break;
  }
  std::vector<std::string> side_lines = std::move(ids.side);
  for (const Person& person : in.people)
    if (person.added)
      side_lines.push_back(person.family + "\t" + person.id + "\tadded " +
                           (person.sex == 1 ? "father" : "mother") + "\t" + person.named_by);
  if (output == "-" || is_special_file(output)) {
    // Standard output, a device or a FIFO carries the pedigree; no file is made beside it: the
    // list goes with the messages.
    std::cerr << "family\tid\tkind\toriginal\n";
    for (const std::string& line : side_lines) std::cerr << line << '\n';
    return static_cast<int>(side_lines.size());
  }
  OutputFile side(copies_file_name(output), OutputFile::Mode::replace_when_done);
  side.line("family\tid\tkind\toriginal");
  for (const std::string& line : side_lines) side.line(line);
  side.commit();
  return static_cast<int>(side_lines.size());
}

}  // namespace loopcut::prep
