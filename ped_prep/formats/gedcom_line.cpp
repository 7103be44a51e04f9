#include "ped_prep/formats/gedcom_line.hpp"

namespace loopcut::prep {

bool parse_gedcom_line(std::string_view raw, GedcomLine& out) {
  std::size_t p = 0;
  while (p < raw.size() && (raw[p] == ' ' || raw[p] == '\t')) ++p;
  std::size_t start = p;
  int level = 0;
  // A level has at most two digits; the value of a longer run is never needed (nor computed,
  // which could overflow).
  for (; p < raw.size() && raw[p] >= '0' && raw[p] <= '9'; ++p)
    if (p - start < 2) level = level * 10 + (raw[p] - '0');
  if (p == start || p - start > 2) return false;
  out.level = level;
  while (p < raw.size() && raw[p] == ' ') ++p;
  out.xref.clear();
  if (p < raw.size() && raw[p] == '@') {
    const std::size_t end = raw.find('@', p + 1);
    if (end == std::string_view::npos) return false;
    out.xref = std::string(raw.substr(p + 1, end - p - 1));
    p = end + 1;
    while (p < raw.size() && raw[p] == ' ') ++p;
  }
  start = p;
  while (p < raw.size() && raw[p] != ' ') ++p;
  out.tag = std::string(raw.substr(start, p - start));
  if (out.tag.empty()) return false;
  // One blank ends the tag, but some programs write more before the value; the line itself is
  // written back as it was.
  while (p < raw.size() && (raw[p] == ' ' || raw[p] == '\t')) ++p;
  out.value = std::string(raw.substr(p));
  return true;
}

std::string gedcom_pointer(std::string_view value) {
  while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.remove_suffix(1);
  if (value.size() < 3 || value.front() != '@' || value.back() != '@') return "";
  std::string_view inside = value.substr(1, value.size() - 2);
  if (inside == "VOID" || inside.find('@') != std::string_view::npos) return "";
  return std::string(inside);
}

bool blank_gedcom_line(std::string_view raw) {
  return raw.find_first_not_of(" \t") == std::string_view::npos;
}

// Whether the header says GEDCOM 7, whose cross-references are upper case.
bool is_gedcom_7(const PedigreeInput& in) {
  for (const GedcomRecord& rec : in.gedcom) {
    if (rec.tag != "HEAD") continue;
    std::string level1;
    GedcomLine l;
    for (const std::string& line : rec.lines) {
      if (!parse_gedcom_line(line, l)) continue;
      if (l.level == 1) level1 = l.tag;
      if (l.level == 2 && level1 == "GEDC" && l.tag == "VERS") return l.value.rfind('7', 0) == 0;
    }
  }
  return false;
}

}  // namespace loopcut::prep
