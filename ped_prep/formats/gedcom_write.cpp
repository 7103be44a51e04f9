// Writing a cut pedigree back as GEDCOM: the input's records in their order, with only the links
// that move to the copies changed.
#include <stdexcept>
#include <unordered_map>

#include "common/files.hpp"
#include "ped_prep/formats/gedcom.hpp"
#include "ped_prep/formats/gedcom_line.hpp"

namespace loopcut::prep {

namespace {

// The parents of a family: its husband and wife as identifiers (empty for none).
struct Couple {
  std::string husband, wife;
  bool operator==(const Couple&) const = default;
};

// A family whose children the cut gave to a copy of a parent: its parents in the input, and
// those written.
struct Move {
  Couple was, now;
};

// The links that move: which record of the cut stands for each person and its copies, and the
// families whose HUSB or WIFE becomes a copy.
struct MovedLinks {
  std::vector<int> record_of_person;          // record of the cut; -1 for none
  std::vector<std::vector<int>> copies_of;    // per person: the records of its copies
  std::unordered_map<std::string, Move> moved;
  std::vector<std::string> families_in_order;  // the moved families, in file order

  // The copy that takes the place of `parent` as husband or wife of `family`; empty for none.
  std::string moves_to(const std::string& family, const std::string& parent, bool husband) const {
    auto it = moved.find(family);
    if (it == moved.end()) return std::string();
    const Couple& was = it->second.was;
    const Couple& now = it->second.now;
    if (husband) return was.husband == parent && now.husband != parent ? now.husband : std::string();
    return was.wife == parent && now.wife != parent ? now.wife : std::string();
  }
};

// Where the cut put each person and its copies.
void place_records(const Prepared& p, const Identities& ids, MovedLinks& links) {
  const int m = static_cast<int>(ids.records.size());
  for (int k = 0; k < m; ++k) {
    const int person = p.rows[ids.records[k].row].person;
    if (person < 0) continue;
    if (ids.records[k].copy) links.copies_of[person].push_back(k);
    else links.record_of_person[person] = k;
  }
}

// The moved links: per family of birth, the parents the cut gives its children, where they
// differ from the input's. A parent can only have been replaced by a copy of itself.
MovedLinks moved_links(const PedigreeInput& in, const Prepared& p, const Identities& ids) {
  MovedLinks links;
  links.record_of_person.assign(in.people.size(), -1);
  links.copies_of.resize(in.people.size());
  place_records(p, ids, links);
  auto person_of = [&](int k) { return k < 0 ? -1 : p.rows[ids.records[k].row].person; };
  // The identifier a parent is written with: none for a stand-in or a stand-in's copy.
  auto written_id = [&](int k) { return person_of(k) < 0 ? std::string() : ids.records[k].id; };
  std::unordered_map<std::string, std::string> original_of_copy;
  for (std::size_t i = 0; i < in.people.size(); ++i)
    for (int k : links.copies_of[i]) original_of_copy.emplace(ids.records[k].id, in.people[i].id);
  auto same_or_copy = [&](const std::string& written, const std::string& original) {
    auto it = original_of_copy.find(written);
    return written == original || (it != original_of_copy.end() && it->second == original);
  };
  std::unordered_map<std::string, Couple> seen;  // the parents the cut gives each family
  for (std::size_t c = 0; c < in.people.size(); ++c) {
    const std::string& family = in.birth_family[c];
    const int k = links.record_of_person[c];
    if (family.empty() || k < 0) continue;
    const Couple now{written_id(ids.records[k].father), written_id(ids.records[k].mother)};
    auto [it, fresh] = seen.emplace(family, now);
    if (!fresh && !(it->second == now))
      throw std::logic_error("the cut gave the children of family @" + family +
                             "@ different parents");
    const Couple was{in.people[c].father, in.people[c].mother};
    if (!fresh || now == was) continue;
    if (!same_or_copy(now.husband, was.husband) || !same_or_copy(now.wife, was.wife))
      throw std::logic_error("the cut gave the children of family @" + family +
                             "@ parents from outside the family");
    links.moved.emplace(family, Move{was, now});
  }
  for (const GedcomRecord& rec : in.gedcom)
    if (rec.tag == "FAM" && links.moved.count(rec.xref)) links.families_in_order.push_back(rec.xref);
  return links;
}

int level_and_tag(const std::string& raw, GedcomLine& l) {
  return parse_gedcom_line(raw, l) ? l.level : -1;
}

// The record's lines after the first, without the level-1 lines that `drop` picks and the
// lines under them.
template <class Drop>
std::vector<std::string> record_body(const GedcomRecord& rec, const Drop& drop, bool skip_blank) {
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
}

// The level-1 lines that `drop` picks, each with the lines under it (blank lines aside, which
// stay where they are), by the record they point to.
template <class Drop>
std::unordered_map<std::string, std::vector<std::string>> dropped_blocks(const GedcomRecord& rec,
                                                                          const Drop& drop) {
  std::unordered_map<std::string, std::vector<std::string>> blocks;
  std::vector<std::string>* block = nullptr;
  GedcomLine l;
  for (std::size_t i = 1; i < rec.lines.size(); ++i) {
    if (blank_gedcom_line(rec.lines[i])) continue;
    const int level = level_and_tag(rec.lines[i], l);
    if (level >= 0 && level <= 1)
      block = level == 1 && drop(l) ? &blocks[gedcom_pointer(l.value)] : nullptr;
    if (block) block->push_back(rec.lines[i]);
  }
  return blocks;
}

// A copy's INDI record: the original's lines without its links and record identifiers, a NOTE
// naming the original, and a FAMS line per family whose children it took: the original's line
// with the lines under it, or a new line where the original had none.
void write_copy(const GedcomRecord& rec, const Person& person, const std::string& id,
                const MovedLinks& links,
                std::unordered_map<std::string, std::vector<std::string>>& fams_blocks,
                std::vector<std::string>& lines) {
  lines.push_back("0 @" + id + "@ INDI");
  // Not the original's links, nor the identifiers that name one record only (a program that
  // reads the file back would take the copy for the original).
  auto not_copied = [](const GedcomLine& l) {
    return l.tag == "FAMC" || l.tag == "FAMS" || l.tag == "UID" || l.tag == "_UID" ||
           l.tag == "RIN";
  };
  for (std::string& line : record_body(rec, not_copied, true)) lines.push_back(std::move(line));
  // The original is named without its @ signs, which a line of text may not hold.
  lines.push_back("1 NOTE copy of " + person.id + ", made to break a pedigree loop");
  for (const std::string& family : links.families_in_order) {
    const Couple& c = links.moved.at(family).now;
    if (c.husband != id && c.wife != id) continue;
    auto block = fams_blocks.find(family);
    if (block == fams_blocks.end()) {
      lines.push_back("1 FAMS @" + family + "@");
      continue;
    }
    for (std::string& line : block->second) lines.push_back(std::move(line));
    fams_blocks.erase(block);
  }
}

// An individual's INDI record without the FAMS lines that move to its copies, then the copies'
// records; returns the number of copies written. A FAMS line of a family whose children stay,
// or of no family at all, stays with the original.
int write_individual(const PedigreeInput& in, const GedcomRecord& rec, const Identities& ids,
                     const MovedLinks& links, std::vector<std::string>& lines) {
  const Person& person = in.people[rec.person];
  auto moving = [&](const GedcomLine& l) {
    if (l.tag != "FAMS") return false;
    const std::string family = gedcom_pointer(l.value);
    return !links.moves_to(family, person.id, true).empty() ||
           !links.moves_to(family, person.id, false).empty();
  };
  lines.push_back(rec.lines.front());
  for (std::string& line : record_body(rec, moving, false)) lines.push_back(std::move(line));
  auto fams_blocks = dropped_blocks(rec, moving);
  for (int k : links.copies_of[rec.person])
    write_copy(rec, person, ids.records[k].id, links, fams_blocks, lines);
  return static_cast<int>(links.copies_of[rec.person].size());
}

// A moved family's record: its HUSB or WIFE line names the copy.
void write_moved_family(const GedcomRecord& rec, const MovedLinks& links,
                        std::vector<std::string>& lines) {
  lines.push_back(rec.lines.front());
  GedcomLine l;
  for (std::size_t i = 1; i < rec.lines.size(); ++i) {
    const std::string& raw = rec.lines[i];
    std::string now;
    if (level_and_tag(raw, l) == 1 && (l.tag == "HUSB" || l.tag == "WIFE"))
      now = links.moves_to(rec.xref, gedcom_pointer(l.value), l.tag == "HUSB");
    if (now.empty()) {
      lines.push_back(raw);
    } else {
      // The pointer is the end of the line; anything after its closing @ stays.
      const std::size_t close = raw.rfind('@');
      const std::size_t open = raw.rfind('@', close - 1);
      lines.push_back(raw.substr(0, open) + "@" + now + raw.substr(close));
    }
  }
}

// The header's NOTE on what was cut, after the header's last line that is not blank, unless the
// header has a NOTE already.
void add_header_note(const PedigreeInput& in, const MovedLinks& links, int copies,
                     std::vector<std::string>& lines) {
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
  if (!header || has_note) return;
  int breakers = 0;
  for (const auto& copies_of_one : links.copies_of) breakers += copies_of_one.empty() ? 0 : 1;
  lines.insert(lines.begin() + static_cast<long>(end),
               "1 NOTE pedigree loops broken: the offspring of " + std::to_string(breakers) +
                   (breakers == 1 ? " individual" : " individuals") + " moved to " +
                   std::to_string(copies) + (copies == 1 ? " copy" : " copies") +
                   " (INDI records with a NOTE naming the original)");
}

}  // namespace

// GEDCOM: the records of the input in their order, each with its own lines, except for the
// links that move to the copies. Where the cut gave the children of a family to a copy of one
// of its parents, the family's HUSB or WIFE line names the copy, and the parent's FAMS line of
// that family (with the lines under it) moves to the copy. A copy's INDI record follows its
// original's: the original's lines without FAMC, FAMS and record identifiers (UID, _UID, RIN),
// a NOTE naming the original, and the copy's FAMS lines. Stand-ins for unknown parents are not
// written. The header gets a NOTE on what was cut, unless it has a NOTE already.
void write_gedcom(const PedigreeInput& in, const Prepared& p, const Identities& ids,
                  const std::string& output) {
  const MovedLinks links = moved_links(in, p, ids);
  std::vector<std::string> lines;
  int copies = 0;
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag == "INDI" && rec.person >= 0) {
      copies += write_individual(in, rec, ids, links, lines);
    } else if (rec.tag == "FAM" && links.moved.count(rec.xref)) {
      write_moved_family(rec, links, lines);
    } else {
      for (const std::string& line : rec.lines) lines.push_back(line);
    }
  }
  if (copies > 0 && !in.gedcom.empty()) add_header_note(in, links, copies, lines);
  OutputFile out(output, output_mode(output), in.form);
  for (const std::string& line : lines) out.line(line);
  out.commit();
}

}  // namespace loopcut::prep
