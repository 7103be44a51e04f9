// The files of a folder in which the chain runs: its pedigree file, weights, task and maps.
#include "ped_prep/chain/write_chain_dir.hpp"

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_writer.hpp"
#include "ped_prep/formats/chain_format.hpp"

namespace loopcut::prep {

void write_pedigree_file(const Prepared& p, const std::string& path) {
  OutputFile out(path, OutputFile::Mode::replace_when_done);
  out.line(chain_header());
  int r = 0;
  for (const ChainRow& row : p.rows) {
    ++r;
    out.line(chain_line(row.ped, r, row.fa, row.mo, row.sex, row.kod));
  }
  out.commit();
}

void write_unit_weights(const Prepared& p, const std::string& path) {
  OutputFile out(path, OutputFile::Mode::replace_when_done);
  for (std::size_t r = 1; r <= p.rows.size(); ++r)
    out.line((FreeLine() << static_cast<int>(r) << 1.0f).str());
  out.commit();
}

void write_task_file(const std::string& path, const std::string& weights) {
  OutputFile out(path, OutputFile::Mode::replace_when_done);
  out.line(PEDIGREE_FILE);
  out.line(weights);
  out.line(CUT_FILE);
  out.commit();
}

void write_label_map(const PedigreeInput& in, const Prepared& p, const std::string& path) {
  OutputFile out(path, OutputFile::Mode::replace_when_done);
  out.line("label\tfamily\tid\tnote");
  for (const ChainRow& row : p.rows) {
    std::string line = trimmed(row.kod) + "\t";
    if (row.person >= 0) {
      const Person& person = in.people[row.person];
      line += person.family + "\t" + person.id + "\t";
      if (person.added) line += "added: the parent of " + person.named_by + " had no record";
      if (row.sex_set) line += "sex unknown, written as " + std::to_string(row.sex);
    } else {
      const Person& known = in.people[row.known_parent];
      line += known.family + "\t\tadded ";
      line += row.sex == 1 ? "father" : "mother";
      line += ": the unknown mate of " + known.id;
    }
    out.line(line);
  }
  out.commit();
}

bool write_columns(const PedigreeInput& in, const Prepared& p, const std::string& path) {
  if (in.format != Format::linkage && in.format != Format::fam) return false;
  bool any = false;
  for (const Person& person : in.people) any = any || !person.extra.empty();
  if (!any) return false;
  OutputFile out(path, OutputFile::Mode::replace_when_done);
  out.line("label\tcolumns");
  for (const ChainRow& row : p.rows)
    if (row.person >= 0) out.line(trimmed(row.kod) + "\t" + in.people[row.person].extra);
  out.commit();
  return true;
}

}  // namespace loopcut::prep
