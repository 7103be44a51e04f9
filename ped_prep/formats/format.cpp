// The one interface of the formats that the commands use: read a file into the common model,
// and write the cut pedigree back in the file's own format with the list of copies.
#include "ped_prep/formats/format.hpp"

#include <iostream>

#include "common/files.hpp"
#include "ped_prep/formats/chain_format.hpp"
#include "ped_prep/formats/gedcom.hpp"
#include "ped_prep/formats/linkage_fam.hpp"
#include "ped_prep/formats/makeped.hpp"

namespace loopcut::prep {

bool parse_format(const std::string& name, Format& format) {
  if (name == "linkage") format = Format::linkage;
  else if (name == "fam") format = Format::fam;
  else if (name == "gedcom") format = Format::gedcom;
  else if (name == "chain") format = Format::chain;
  else if (name == "makeped") format = Format::makeped;
  else return false;
  return true;
}

const char* format_name(Format format) {
  switch (format) {
    case Format::linkage: return "linkage";
    case Format::fam: return "fam";
    case Format::gedcom: return "gedcom";
    case Format::chain: return "chain";
    case Format::makeped: return "makeped";
  }
  return "?";
}

PedigreeInput read_input(Format format, const std::string& file, const DataLayout* layout,
                         bool strict) {
  switch (format) {
    case Format::linkage: return read_linkage(file, layout);
    case Format::fam: return read_fam(file);
    case Format::gedcom: return read_gedcom(file, strict);
    case Format::chain: return read_chain_input(file);
    case Format::makeped: return read_makeped(file, layout);
  }
  return {};
}

std::string copies_file_name(const std::string& output) { return output + ".copies.tsv"; }

int export_pedigree(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    Identities ids, const std::string& output, Format written) {
  if (written == Format::makeped) {
    write_makeped(in, prepared, ids, output);
    return write_side_file(in, std::move(ids), output);
  }
  switch (in.format) {
    case Format::makeped:
    case Format::linkage:
    case Format::fam: write_linkage_fam(in, prepared, ids, output); break;
    case Format::chain: write_chain_output(in, prepared, cut, ids, output); break;
    case Format::gedcom: write_gedcom(in, prepared, ids, output); break;
  }
  return write_side_file(in, std::move(ids), output);
}

int write_side_file(const PedigreeInput& in, Identities ids, const std::string& output) {
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
