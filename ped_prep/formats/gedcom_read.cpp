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
#include "ped_prep/formats/gedcom_records.hpp"

namespace loopcut::prep {

namespace {

using gedcom::at;
using gedcom::Family;
using gedcom::Individual;
using gedcom::Link;
using gedcom::Parsed;

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

// Reads the records line by line into the individuals and families, keeping every line.
class RecordReader {
 public:
  explicit RecordReader(PedigreeInput& in) : in_(in) {}

  Parsed read(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const std::string& raw = lines[i];
      const int line_no = static_cast<int>(i) + 1;
      if (current_ == trailer || blank_gedcom_line(raw)) {
        // Blank lines and whatever follows the trailer (an end-of-file mark of old systems) are
        // no part of the pedigree; they are written back as they were.
        if (in_.gedcom.empty()) in_.gedcom.push_back(GedcomRecord{});
        in_.gedcom.back().lines.push_back(raw);
        continue;
      }
      GedcomLine l;
      if (!parse_gedcom_line(raw, l)) {
        in_.problems.push_back(at(in_.file, line_no) + "not a GEDCOM line: \"" + raw.substr(0, 60) +
                               "\"");
        continue;
      }
      if (l.level == 0) {
        open_record(l, raw, line_no);
        continue;
      }
      in_.gedcom.back().lines.push_back(raw);  // the header came first, so a record is open
      if (current_ == indi) individual_line(l);
      else if (current_ == fam) family_line(l);
    }
    return std::move(g_);
  }

 private:
  void open_record(const GedcomLine& l, const std::string& raw, int line_no) {
    in_.gedcom.push_back(GedcomRecord{l.xref, l.tag, {raw}});
    current_ = other;
    level1_.clear();
    child_ = -1;
    if (l.tag == "TRLR") {
      current_ = trailer;
    } else if (l.tag == "INDI" && !l.xref.empty()) {
      if (!g_.person_of.emplace(l.xref, in_.people.size()).second) {
        in_.problems.push_back(at(in_.file, line_no) + "duplicate individual @" + l.xref + "@");
        return;
      }
      current_ = indi;
      in_.gedcom.back().person = static_cast<int>(in_.people.size());
      Person p;
      p.id = l.xref;
      p.line = line_no;
      in_.people.push_back(p);
      g_.individuals.emplace_back();
    } else if (l.tag == "FAM" && !l.xref.empty()) {
      if (!g_.family_of.emplace(l.xref, g_.families.size()).second) {
        in_.problems.push_back(at(in_.file, line_no) + "duplicate family @" + l.xref + "@");
        return;
      }
      current_ = fam;
      g_.families.push_back(Family{l.xref, {}, {}, {}, {}, line_no});
    }
  }

  // Notes a line that names another record, to be looked up when all records are read.
  void pointer(gedcom::Pointer::Kind kind, const std::string& from, const std::string& to,
               int record_line) {
    if (!to.empty()) g_.pointers.push_back(gedcom::Pointer{kind, from, to, record_line});
  }

  void individual_line(const GedcomLine& l) {
    Individual& ind = g_.individuals.back();
    const Person& p = in_.people.back();
    if (l.level == 1) level1_ = l.tag;
    const bool adoption = l.level == 2 && l.tag == "FAMC" && level1_ == "ADOP";
    if ((l.level == 1 && l.tag == "FAMC") || adoption)
      pointer(gedcom::Pointer::famc, p.id, gedcom_pointer(l.value), p.line);
    if (l.level == 1 && l.tag == "FAMS")
      pointer(gedcom::Pointer::fams, p.id, gedcom_pointer(l.value), p.line);
    if (l.level == 1 && l.tag == "SEX") {
      const char c = l.value.empty() ? 'U' : l.value[0];
      in_.people.back().sex = (c == 'M' || c == 'm') ? 1 : (c == 'F' || c == 'f') ? 2 : 0;
    } else if (l.level == 1 && l.tag == "FAMC") {
      // Kept even when it is no pointer, so that a PEDI below is not taken for another line.
      ind.famc.emplace_back(gedcom_pointer(l.value), Link::unstated);
    } else if (l.level == 2 && l.tag == "PEDI" && level1_ == "FAMC" && !ind.famc.empty()) {
      ind.famc.back().second = pedigree_link(l.value);
    } else if (l.level == 2 && (l.tag == "_FREL" || l.tag == "_MREL") && level1_ == "FAMC" &&
               !ind.famc.empty()) {
      take_parent_relation(l.value, ind.famc.back().second);
    } else if (adoption) {
      ind.famc.emplace_back(gedcom_pointer(l.value), Link::other);
    }
  }

  void family_line(const GedcomLine& l) {
    Family& f = g_.families.back();
    if (l.level == 1) {
      child_ = -1;
      const std::string c = gedcom_pointer(l.value);
      if (l.tag == "HUSB") add_distinct(f.husbands, c);
      if (l.tag == "WIFE") add_distinct(f.wives, c);
      if (l.tag == "HUSB" || l.tag == "WIFE" || l.tag == "CHIL")
        pointer(l.tag == "HUSB"   ? gedcom::Pointer::husband
                : l.tag == "WIFE" ? gedcom::Pointer::wife
                                  : gedcom::Pointer::child,
                f.xref, c, f.line);
      if (l.tag == "CHIL" && !c.empty()) {
        const auto it = std::find(f.children.begin(), f.children.end(), c);
        child_ = static_cast<int>(it - f.children.begin());
        if (it == f.children.end()) {
          f.children.push_back(c);
          f.child_links.push_back(Link::unstated);
        }
      }
    } else if (l.level == 2 && child_ >= 0 && (l.tag == "_FREL" || l.tag == "_MREL")) {
      take_parent_relation(l.value, f.child_links[child_]);
    }
  }

  PedigreeInput& in_;
  Parsed g_;
  enum { indi, fam, other, trailer } current_ = other;
  std::string level1_;  // tag of the current level-1 line of an individual
  int child_ = -1;      // in a family: the child of the current CHIL line
};

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

PedigreeInput read_gedcom(const std::string& file, bool strict) {
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

  Parsed g = RecordReader(in).read(lines);
  gedcom::drop_dangling_pointers(g, in, strict);
  gedcom::find_families_of_birth(g, in);
  return in;
}

}  // namespace loopcut::prep
