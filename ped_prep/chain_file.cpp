#include "ped_prep/chain_file.hpp"

#include <sstream>

#include "common/files.hpp"
#include "common/text_file.hpp"
#include "common/fixed_format.hpp"
#include "common/free_reader.hpp"

namespace loopcut::prep {

ChainFile read_chain_file(const std::string& file) {
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

  std::istringstream in(text);
  FreeReader r(in, file);
  r.read_text(80, "header line");
  r.end_read();
  for (;;) {
    ChainRecord rec;
    if (!r.try_int(rec.ped, "pedigree number")) break;
    rec.line = r.line_number();
    if (!r.try_int(rec.id, "identifier") || !r.try_int(rec.fa, "father") ||
        !r.try_int(rec.mo, "mother") || !r.try_int(rec.sex, "sex")) {
      break;
    }
    if (out.cut_layout && !r.try_int(rec.prob, "prob")) break;
    if (!r.try_label(rec.kod, "label")) break;
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
