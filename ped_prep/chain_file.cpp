#include "ped_prep/chain_file.hpp"

#include <sstream>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/text_file.hpp"
#include "common/fixed_format.hpp"
#include "common/free_reader.hpp"

namespace loopcut::prep {

namespace {

// Five or more whole numbers and nothing else but a label: a record, not a header.
bool looks_like_record(const std::string& line) {
  std::istringstream words(line);
  int numbers = 0;
  for (std::string w; words >> w;) {
    if (w.find_first_not_of("+-0123456789") != std::string::npos) break;
    ++numbers;
  }
  return numbers >= 5;
}

}  // namespace

ChainFile read_chain_file(const std::string& file, bool ids_are_rows) {
  ChainFile out;
  out.file = file;
  // Line ends, byte order mark and UTF-16 as in every other file a user gives.
  const TextFile file_text = read_text_file(file);
  std::string text;
  for (const std::string& line : file_text.lines) text.append(line).append(1, '\n');

  // The cut file's header names the prob column; the input layout has none.
  std::istringstream first(file_text.lines.empty() ? std::string() : file_text.lines.front());
  std::string word;
  while (first >> word)
    if (word == "prob") out.cut_layout = true;

  // A file of another format (a LINKAGE file, say) has a record where the header belongs.
  if (!file_text.lines.empty() && looks_like_record(file_text.lines.front()))
    throw InputError(file, 1, "a header line (such as \"" + chain_header() + "\")",
                     "a record: a pedigree file of the chain starts with a header line",
                     visible(file_text.lines.front()));

  std::istringstream in(text);
  FreeReader r(in, file);
  r.read_text(80, "header line");
  r.end_read();
  const std::string layout = out.cut_layout ? "ped id fa mo sex prob kod" : "ped id fa mo sex kod";
  for (;;) {
    ChainRecord rec;
    if (!r.try_int(rec.ped, "pedigree number")) break;
    rec.line = r.line_number();
    if (!r.try_int(rec.id, "identifier") || !r.try_int(rec.fa, "father") ||
        !r.try_int(rec.mo, "mother") || !r.try_int(rec.sex, "sex") ||
        (out.cut_layout && !r.try_int(rec.prob, "prob")) || !r.try_label(rec.kod, "label") ||
        r.line_number() != rec.line) {
      throw InputError(file, rec.line, layout + " on one line", "fewer items",
                       visible(file_text.lines[static_cast<std::size_t>(rec.line - 1)]));
    }
    const int row = static_cast<int>(out.records.size()) + 1;
    if (ids_are_rows && rec.id != row)
      r.fail("identifier " + std::to_string(row) + " (the identifiers are the rows 1, 2, 3, ...)",
             std::to_string(rec.id));
    r.end_read();
    out.records.push_back(rec);
  }
  return out;
}

std::string chain_header() { return " ped id fa mo sex kod"; }

std::string chain_line(int ped, int id, int fa, int mo, int sex, const Label& kod) {
  std::string s;
  s.reserve(52);
  for (int v : {ped, id, fa, mo, sex}) s += format_i6(v);
  s += "  ";
  s += label_view(kod);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace loopcut::prep
