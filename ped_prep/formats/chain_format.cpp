// The chain's own pedigree file: its records read and written, and the file as an input and an
// output of ped_prep.
#include "ped_prep/formats/chain_format.hpp"

#include <algorithm>
#include <sstream>
#include <string_view>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "common/free_reader.hpp"
#include "common/text_file.hpp"

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

// A line of the cut file's fixed layout "(6I6,2X,A20)": six fields of six columns, two blanks,
// the label. A six-digit number fills its field and touches the one before it, so such a line
// is read by its columns: a blank goes between the fields before the free reader sees it.
bool is_fixed_cut_line(std::string_view line) {
  if (line.size() < 38 || line[36] != ' ' || line[37] != ' ') return false;
  for (std::size_t f = 0; f < 6; ++f) {
    const std::string_view field = line.substr(6 * f, 6);
    const auto digits = field.find_first_not_of(' ');
    if (digits == std::string_view::npos) return false;
    std::size_t k = digits;
    if (field[k] == '-') ++k;
    if (k == 6 || field.find_first_not_of("0123456789", k) != std::string_view::npos) return false;
  }
  return true;
}

// The value of a field that is_fixed_cut_line accepted.
int fixed_field(std::string_view line, std::size_t f) {
  std::size_t k = 6 * f, end = k + 6;
  while (line[k] == ' ') ++k;
  const bool negative = line[k] == '-';
  if (negative) ++k;
  int v = 0;
  for (; k < end; ++k) v = v * 10 + (line[k] - '0');
  return negative ? -v : v;
}

// The records of a cut file whose every record is a fixed-layout line with a plain label (one
// word without quotes, commas or slashes) and, where `ids_are_rows`, the identifier of its row:
// what ped_cut writes. Read straight from the columns, as the free reader would read them;
// false for any other file, which the free reader then reads.
bool read_plain_cut_lines(const std::vector<std::string>& lines, bool ids_are_rows,
                          ChainFile& out) {
  if (lines.empty() || lines.front().find_first_not_of(" \t") == std::string::npos) return false;
  out.records.reserve(lines.size() - 1);
  for (std::size_t n = 1; n < lines.size(); ++n) {
    const std::string_view line = lines[n];
    if (!is_fixed_cut_line(line)) return false;
    const std::string_view rest = line.substr(38);
    const std::size_t end = std::min(rest.find_first_of(" \t"), rest.size());
    if (end == 0 || rest.substr(0, end).find_first_of(",/'\"") != std::string_view::npos ||
        rest.find_first_not_of(" \t", end) != std::string_view::npos)
      return false;
    ChainRecord rec;
    rec.ped = fixed_field(line, 0);
    rec.id = fixed_field(line, 1);
    rec.fa = fixed_field(line, 2);
    rec.mo = fixed_field(line, 3);
    rec.sex = fixed_field(line, 4);
    rec.prob = fixed_field(line, 5);
    rec.kod = make_label(rest.substr(0, std::min<std::size_t>(end, LABEL_WIDTH)));
    rec.line = static_cast<int>(n) + 1;
    if (ids_are_rows && rec.id != static_cast<int>(out.records.size()) + 1) return false;
    out.records.push_back(rec);
  }
  return true;
}

std::string spaced_fields(const std::string& line) {
  std::string s;
  for (int f = 0; f < 6; ++f) s.append(line, static_cast<std::size_t>(6 * f), 6).append(1, ' ');
  return s.append(line, 36);
}

}  // namespace

ChainFile read_chain_file(const std::string& file, bool ids_are_rows) {
  ChainFile out;
  out.file = file;
  // Line ends, byte order mark and UTF-16 as in every other file a user gives.
  const TextFile file_text = read_text_file(file);

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
  if (out.cut_layout && read_plain_cut_lines(file_text.lines, ids_are_rows, out)) return out;
  out.records.clear();

  std::string text;
  for (const std::string& line : file_text.lines) {
    text.append(out.cut_layout && is_fixed_cut_line(line) ? spaced_fields(line) : line);
    text.append(1, '\n');
  }

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
  // Six columns each, as the chain's files are written; a number that fills its six columns gets
  // a blank before it, so that it never runs into the number before.
  for (int v : {ped, id, fa, mo, sex}) {
    const std::string field = format_i6(v);
    if (field.front() != ' ' && !s.empty()) s += ' ';
    s += field;
  }
  s += "  ";
  s += label_view(kod);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

PedigreeInput read_chain_input(const std::string& file) {
  PedigreeInput in;
  in.format = Format::chain;
  in.file = file;
  ChainFile chain;
  try {
    chain = read_chain_file(file, false);  // identifiers are renumbered to rows on import
  } catch (const InputError& e) {
    in.problems.push_back(e.what());
    return in;
  }
  for (const ChainRecord& r : chain.records) {
    Person p;
    p.id = std::to_string(r.id);
    p.father = r.fa == 0 ? "" : std::to_string(r.fa);
    p.mother = r.mo == 0 ? "" : std::to_string(r.mo);
    if (r.sex == 1 || r.sex == 2) {
      p.sex = r.sex;
    } else if (r.sex != 0) {
      in.problems.push_back(file + ":" + std::to_string(r.line) + ": individual " + p.id +
                            ": sex must be 0, 1 or 2, found " + std::to_string(r.sex));
      continue;
    }
    p.extra = trimmed(r.kod);
    p.line = r.line;
    in.people.push_back(std::move(p));
  }
  return in;
}

namespace {

// A record of the cut file with the user's label, written so that it reads back as that label:
// quoted, with its quotes doubled, where it starts with a quote or holds a blank, comma or
// slash, which would end it or be taken for quoting.
std::string labelled_line(const ChainRecord& c, const Label& label) {
  std::string line = pedigree_line(c.ped, c.id, c.fa, c.mo, c.sex, c.prob, label);
  const std::string text = trimmed(label);
  if (text.empty() || (text[0] != '\'' && text[0] != '"' &&
                       text.find_first_of(" \t,/") == std::string::npos))
    return line;
  std::string field = "'";
  for (const char ch : text) {
    field += ch;
    if (ch == '\'') field += '\'';
  }
  field += '\'';
  if (field.size() < LABEL_WIDTH) field.resize(LABEL_WIDTH, ' ');
  line.resize(line.size() - LABEL_WIDTH);
  return line + field;
}

}  // namespace

void write_chain_output(const PedigreeInput& in, const Prepared& p, const ChainFile& cut,
                        const Identities& ids, const std::string& output) {
  OutputFile out(output, output_mode(output), in.form);
  out.line(" ped id fa mo sex prob kod");
  for (std::size_t k = 0; k < cut.records.size(); ++k) {
    const ChainRecord& c = cut.records[k];
    const ChainRow& r = p.rows[ids.records[k].row];
    const Label label = r.person >= 0 && !in.people[r.person].extra.empty()
                            ? make_label(in.people[r.person].extra)
                            : c.kod;
    out.line(labelled_line(c, label));
  }
  out.commit();
}

}  // namespace loopcut::prep
