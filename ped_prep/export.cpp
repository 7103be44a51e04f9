// Writing a cut pedigree back in the format it came in.
#include "ped_prep/export.hpp"

#include <algorithm>
#include <iostream>
#include <map>
#include <sstream>
#include <unordered_map>
#include <unordered_set>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/fixed_format.hpp"

namespace loopcut::prep {

namespace {

// "-" names standard output.
OutputFile::Mode mode_for(const std::string& output) {
  return output == "-" ? OutputFile::Mode::standard_output : OutputFile::Mode::replace_when_done;
}

// One record of the cut file as it is written back.
struct OutRecord {
  int row = -1;            // row of `prepared` that it stands for (the breaker's, for a copy)
  bool copy = false;
  std::string family;
  std::string id;          // the identifier written
  int father = -1;         // index of the father's OutRecord
  int mother = -1;
  int sex = 0;
  bool has_children = false;
};

struct Identities {
  std::vector<OutRecord> records;
  std::vector<std::string> side;  // lines of the side file
};

std::string original_id(const PedigreeInput& in, const Prepared& p, int row) {
  const ChainRow& r = p.rows[row];
  if (r.person >= 0) return in.people[r.person].id;
  return in.people[r.known_parent].id + "_u";
}

std::string family_of(const PedigreeInput& in, const Prepared& p, int row) {
  const ChainRow& r = p.rows[row];
  return in.people[r.person >= 0 ? r.person : r.known_parent].family;
}

Identities identify(const PedigreeInput& in, const Prepared& p, const ChainFile& cut) {
  std::unordered_map<std::string, int> row_of_label;
  for (std::size_t r = 0; r < p.rows.size(); ++r)
    row_of_label.emplace(trimmed(p.rows[r].kod), static_cast<int>(r));
  std::unordered_set<std::string> taken;  // family + id of every record written
  for (const Person& person : in.people) taken.insert(person.family + '\x1f' + person.id);

  Identities out;
  const int m = static_cast<int>(cut.records.size());
  out.records.resize(static_cast<std::size_t>(m));
  std::unordered_map<int, int> index_of_id;
  std::unordered_map<int, int> copies_made;  // per row of `prepared`
  for (int k = 0; k < m; ++k) {
    const ChainRecord& c = cut.records[k];
    index_of_id[c.id] = k;
    auto it = row_of_label.find(trimmed(c.kod));
    if (it == row_of_label.end())
      throw InputError(cut.file, "label " + trimmed(c.kod) + " is not one of the imported pedigree");
    OutRecord& o = out.records[k];
    o.row = it->second;
    o.copy = c.prob == 1;
    o.family = family_of(in, p, o.row);
    o.sex = c.sex;
    const std::string base = original_id(in, p, o.row);
    if (!o.copy) {
      o.id = base;
      if (p.rows[o.row].person < 0) {
        // An added parent's name must not clash with an identifier of the input.
        std::string id = base;
        for (int n = 2; taken.count(o.family + '\x1f' + id); ++n) id = base + std::to_string(n);
        taken.insert(o.family + '\x1f' + id);
        o.id = id;
        out.side.push_back(o.family + "\t" + o.id + "\tadded " + (o.sex == 1 ? "father" : "mother") +
                           "\t" + in.people[p.rows[o.row].known_parent].id);
      }
    } else {
      int& n = copies_made[o.row];
      std::string id;
      do {
        id = base + "_c" + std::to_string(++n);
      } while (taken.count(o.family + '\x1f' + id));
      taken.insert(o.family + '\x1f' + id);
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
      } else {
        out.side.push_back(o.family + "\t" + o.id + "\tcopy\t" + base);
      }
    }
  }
  for (int k = 0; k < m; ++k) {
    const ChainRecord& c = cut.records[k];
    OutRecord& o = out.records[k];
    if (c.fa) o.father = index_of_id.at(c.fa);
    if (c.mo) o.mother = index_of_id.at(c.mo);
    if (o.father >= 0) out.records[o.father].has_children = true;
    if (o.mother >= 0) out.records[o.mother].has_children = true;
  }
  return out;
}

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
// parents changed; the copies follow the last record of their family. Stand-in parents stay
// inside the chain: their children keep the unknown parent they had.
void write_columns_format(const PedigreeInput& in, const Prepared& p, const Identities& ids,
                          const std::string& output) {
  const auto is_person = [&](int k) { return k >= 0 && p.rows[ids.records[k].row].person >= 0; };
  std::unordered_map<std::string, std::size_t> last_of_family;
  for (std::size_t i = 0; i < in.people.size(); ++i) last_of_family[in.people[i].family] = i;
  std::vector<int> record_of(in.people.size(), -1);
  std::vector<std::vector<int>> copies_after(in.people.size());
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
  for (std::size_t i = 0; i < in.people.size(); ++i)
    person_at[static_cast<std::size_t>(in.people[i].line - 1)] = static_cast<int>(i);

  auto parent = [&](int k) { return is_person(k) ? ids.records[k].id : std::string(); };
  auto code = [](const std::string& id) { return id.empty() ? std::string("0") : id; };
  OutputFile out(output, mode_for(output), in.form);
  for (std::size_t l = 0; l < in.lines.size(); ++l) {
    const int i = person_at[l];
    if (i < 0 || record_of[i] < 0) {
      out.line(in.lines[l]);  // comments and blank lines
      continue;
    }
    const Person& person = in.people[i];
    const OutRecord& o = ids.records[record_of[i]];
    const std::string father = parent(o.father), mother = parent(o.mother);
    if (father == person.father && mother == person.mother) {
      out.line(in.lines[l]);
    } else {
      out.line(with_fields(in.lines[l], {{2, code(father)}, {3, code(mother)}}));
    }
    for (int k : copies_after[i]) {
      const OutRecord& c = ids.records[k];
      const Person& original = in.people[p.rows[c.row].person];
      out.line(with_fields(in.lines[original.line - 1],
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

// GEDCOM: the records of the input in their order, with the families rebuilt from the cut.
void write_gedcom_format(const PedigreeInput& in, const Prepared& p, const Identities& ids,
                         const std::string& output) {
  const std::size_t m = ids.records.size();
  auto level_of = [](const std::string& line) {
    std::size_t i = line.find_first_not_of(" \t");
    return i == std::string::npos ? -1 : std::atoi(line.c_str() + i);
  };
  auto tag_of = [](const std::string& line) {
    std::istringstream s(line);
    std::string level, word;
    s >> level >> word;
    if (!word.empty() && word[0] == '@') s >> word;
    return word;
  };
  // Lines of a record without the given level-1 tags and everything under them.
  auto without = [&](const GedcomRecord& rec, const std::unordered_set<std::string>& tags) {
    std::vector<std::string> kept;
    bool skipping = false;
    for (std::size_t i = 1; i < rec.lines.size(); ++i) {
      const int level = level_of(rec.lines[i]);
      if (level <= 1) skipping = level == 1 && tags.count(tag_of(rec.lines[i])) > 0;
      if (!skipping) kept.push_back(rec.lines[i]);
    }
    return kept;
  };

  std::unordered_map<std::string, const GedcomRecord*> record_of;
  for (const GedcomRecord& rec : in.gedcom)
    if (!rec.xref.empty()) record_of[rec.tag + ":" + rec.xref] = &rec;

  // Original families by their couple, and the couples of the cut with their children.
  std::map<std::pair<std::string, std::string>, std::string> family_of_couple;
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag != "FAM") continue;
    std::string husband, wife;
    for (const std::string& line : rec.lines) {
      const std::string tag = tag_of(line);
      if (level_of(line) != 1 || (tag != "HUSB" && tag != "WIFE")) continue;
      const std::size_t a = line.find('@'), b = line.rfind('@');
      if (a == std::string::npos || b <= a) continue;
      (tag == "HUSB" ? husband : wife) = line.substr(a + 1, b - a - 1);
    }
    family_of_couple.emplace(std::make_pair(husband, wife), rec.xref);
  }
  auto real = [&](int k) { return k >= 0 && p.rows[ids.records[k].row].person >= 0 ? k : -1; };
  auto origin = [&](int k) {
    return k < 0 ? std::string() : in.people[p.rows[ids.records[k].row].person].id;
  };
  struct NewFamily {
    std::string xref;
    const GedcomRecord* source = nullptr;  // the input's family it continues, if any
    std::string note;
    int husband = -1, wife = -1;
    std::vector<int> children;
  };
  std::vector<NewFamily> families;
  std::map<std::pair<int, int>, std::size_t> family_index;
  std::unordered_set<std::string> used_xrefs;
  for (const GedcomRecord& rec : in.gedcom)
    if (!rec.xref.empty()) used_xrefs.insert(rec.xref);
  std::unordered_set<std::string> continued;
  std::vector<std::string> famc(m), xref(m);
  std::vector<std::vector<std::string>> fams(m);
  for (std::size_t k = 0; k < m; ++k) xref[k] = ids.records[k].id;
  for (std::size_t k = 0; k < m; ++k) {
    const int f = real(ids.records[k].father), mo = real(ids.records[k].mother);
    if (f < 0 && mo < 0) continue;
    if (p.rows[ids.records[k].row].person < 0) continue;  // added parents are not written
    auto [it, fresh] = family_index.emplace(std::make_pair(f, mo), families.size());
    if (fresh) {
      NewFamily nf;
      nf.husband = f;
      nf.wife = mo;
      auto orig = family_of_couple.find({origin(f), origin(mo)});
      std::string base = orig != family_of_couple.end() ? orig->second : "F";
      if (orig != family_of_couple.end() && continued.insert(orig->second).second) {
        nf.xref = orig->second;
        nf.source = record_of.at("FAM:" + orig->second);
      } else {
        int n = 0;
        do {
          nf.xref = base + "_c" + std::to_string(++n);
        } while (used_xrefs.count(nf.xref));
        if (orig != family_of_couple.end())
          nf.note = "1 NOTE part of @" + orig->second + "@, split off to break a pedigree loop";
      }
      used_xrefs.insert(nf.xref);
      families.push_back(nf);
    }
    families[it->second].children.push_back(static_cast<int>(k));
  }
  for (const NewFamily& nf : families) {
    for (int c : nf.children) famc[c] = nf.xref;
    if (nf.husband >= 0) fams[nf.husband].push_back(nf.xref);
    if (nf.wife >= 0) fams[nf.wife].push_back(nf.xref);
  }
  // Families of the input without children keep their couple and stay as they were.
  std::vector<const GedcomRecord*> childless;
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag != "FAM" || continued.count(rec.xref)) continue;
    bool has_children = false;
    for (const std::string& line : rec.lines) has_children = has_children || (level_of(line) == 1 && tag_of(line) == "CHIL");
    if (has_children) continue;
    childless.push_back(&rec);
  }
  std::unordered_map<std::string, std::size_t> index_of_xref;
  for (std::size_t k = 0; k < m; ++k)
    if (p.rows[ids.records[k].row].person >= 0 && !ids.records[k].copy) index_of_xref[xref[k]] = k;
  for (const GedcomRecord* rec : childless) {
    for (const std::string& line : rec->lines) {
      const std::string tag = tag_of(line);
      if (level_of(line) != 1 || (tag != "HUSB" && tag != "WIFE")) continue;
      const std::size_t a = line.find('@'), b = line.rfind('@');
      if (a == std::string::npos || b <= a) continue;
      auto it = index_of_xref.find(line.substr(a + 1, b - a - 1));
      if (it != index_of_xref.end()) fams[it->second].push_back(rec->xref);
    }
  }

  OutputFile out(output, mode_for(output));
  std::string charset = "UTF-8";
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag != "HEAD") continue;
    for (const std::string& line : rec.lines)
      if (level_of(line) == 1 && tag_of(line) == "CHAR") charset = line.substr(line.find("CHAR") + 4 + 1);
  }
  out.line("0 HEAD");
  out.line("1 SOUR ped_prep");
  out.line("1 GEDC");
  out.line("2 VERS 5.5.1");
  out.line("2 FORM LINEAGE-LINKED");
  out.line("1 CHAR " + charset);
  out.line("1 NOTE pedigree loops broken: each breaker's offspring moved to copies of it");
  auto write_individual = [&](std::size_t k) {
    const OutRecord& o = ids.records[k];
    const Person& person = in.people[p.rows[o.row].person];
    const GedcomRecord& rec = *record_of.at("INDI:" + person.id);
    out.line("0 @" + xref[k] + "@ INDI");
    for (const std::string& line : without(rec, {"FAMC", "FAMS"})) out.line(line);
    if (o.copy) out.line("1 NOTE copy of @" + person.id + "@, made to break a pedigree loop");
    if (!famc[k].empty()) out.line("1 FAMC @" + famc[k] + "@");
    for (const std::string& f : fams[k]) out.line("1 FAMS @" + f + "@");
  };
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag == "HEAD" || rec.tag == "TRLR" || rec.tag == "INDI" || rec.tag == "FAM") continue;
    for (const std::string& line : rec.lines) out.line(line);
  }
  // Individuals in the order of the input, each followed by its copies.
  std::vector<std::vector<std::size_t>> of_person(in.people.size());
  for (std::size_t k = 0; k < m; ++k) {
    const int person = p.rows[ids.records[k].row].person;
    if (person >= 0) of_person[person].push_back(k);
  }
  for (auto& records : of_person) {
    std::stable_partition(records.begin(), records.end(),
                          [&](std::size_t k) { return !ids.records[k].copy; });
    for (std::size_t k : records) write_individual(k);
  }
  for (const NewFamily& nf : families) {
    out.line("0 @" + nf.xref + "@ FAM");
    if (nf.husband >= 0) out.line("1 HUSB @" + xref[nf.husband] + "@");
    if (nf.wife >= 0) out.line("1 WIFE @" + xref[nf.wife] + "@");
    if (nf.source)
      for (const std::string& line : without(*nf.source, {"HUSB", "WIFE", "CHIL"})) out.line(line);
    if (!nf.note.empty()) out.line(nf.note);
    for (int c : nf.children) out.line("1 CHIL @" + xref[c] + "@");
  }
  for (const GedcomRecord* rec : childless)
    for (const std::string& line : rec->lines) out.line(line);
  out.line("0 TRLR");
  out.commit();
}

}  // namespace

std::string copies_file_name(const std::string& output) { return output + ".copies.tsv"; }

int export_pedigree(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    const std::string& output) {
  const Identities ids = identify(in, prepared, cut);
  switch (in.format) {
    case Format::linkage:
    case Format::fam: write_columns_format(in, prepared, ids, output); break;
    case Format::chain: write_chain_format(in, prepared, cut, ids, output); break;
    case Format::gedcom: write_gedcom_format(in, prepared, ids, output); break;
  }
  std::vector<std::string> side_lines;
  for (const std::string& line : ids.side) {
    // Stand-in parents are written only in the chain's own format.
    if (in.format != Format::chain && line.find("\tadded ") != std::string::npos) continue;
    side_lines.push_back(line);
  }
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
