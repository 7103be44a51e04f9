#include "ped_prep/pedigree_input.hpp"

namespace loopcut::prep {

bool parse_format(const std::string& name, Format& format) {
  if (name == "linkage") format = Format::linkage;
  else if (name == "fam") format = Format::fam;
  else if (name == "gedcom") format = Format::gedcom;
  else if (name == "chain") format = Format::chain;
  else return false;
  return true;
}

const char* format_name(Format format) {
  switch (format) {
    case Format::linkage: return "linkage";
    case Format::fam: return "fam";
    case Format::gedcom: return "gedcom";
    case Format::chain: return "chain";
  }
  return "?";
}

PedigreeInput read_input(Format format, const std::string& file) {
  switch (format) {
    case Format::linkage: return read_linkage(file);
    case Format::fam: return read_fam(file);
    case Format::gedcom: return read_gedcom(file);
    case Format::chain: return read_chain_input(file);
  }
  return {};
}

}  // namespace loopcut::prep
