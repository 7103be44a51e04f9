#include "ped_prep/write_chain_dir.hpp"

#include <filesystem>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_writer.hpp"
#include "ped_prep/chain_file.hpp"

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

void make_directory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec || !std::filesystem::is_directory(dir))
    throw InputError(dir, "cannot create the directory (" + ec.message() + ")");
}

}  // namespace loopcut::prep

namespace loopcut::prep {

namespace {
bool is_empty_directory(const std::string& dir) {
  std::error_code ec;
  return std::filesystem::is_directory(dir, ec) && std::filesystem::is_empty(dir, ec) && !ec;
}
}  // namespace

std::string make_fresh_directory(const std::string& dir) {
  std::error_code ec;
  if (!std::filesystem::exists(dir, ec) || is_empty_directory(dir)) {
    make_directory(dir);
    return dir;
  }
  if (!std::filesystem::is_directory(dir, ec)) throw InputError(dir, "not a directory");
  for (int n = 1;; ++n) {
    const std::string sub = dir + "/ped_prep-" + std::to_string(n);
    if (std::filesystem::exists(std::filesystem::symlink_status(sub, ec))) continue;
    if (std::filesystem::create_directory(sub, ec) && !ec) return sub;
    throw InputError(sub, "cannot create the directory (" + ec.message() + ")");
  }
}

void make_empty_directory(const std::string& dir) {
  std::error_code ec;
  if (std::filesystem::exists(dir, ec) && !is_empty_directory(dir)) {
    if (!std::filesystem::is_directory(dir, ec)) throw InputError(dir, "not a directory");
    throw InputError(dir, "the directory is not empty: give a new or empty directory, so that "
                          "no file of yours is replaced by one of the chain's");
  }
  make_directory(dir);
}

void refuse_overwriting(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs) {
  for (const std::string& out : outputs)
    for (const std::string& in : inputs)
      if (!in.empty() && same_file(in, out))
        throw InputError(out, "the output would replace the input " + in + ": give another name");
}

}  // namespace loopcut::prep
