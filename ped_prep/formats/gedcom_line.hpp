#pragma once
#include <string>
#include <string_view>

#include "ped_prep/pipeline/pedigree.hpp"

namespace loopcut::prep {

// One line of a GEDCOM file: LEVEL [@XREF@] TAG [VALUE].
struct GedcomLine {
  int level = -1;
  std::string xref;  // without the @ signs
  std::string tag;
  std::string value;
};

// Splits a line into its parts; false when it is no GEDCOM line. Leading blanks are allowed, and
// the value starts after any run of blanks and tabs that follows the tag.
bool parse_gedcom_line(std::string_view raw, GedcomLine& out);

// "@I12@" -> "I12", trailing blanks ignored; empty when the value is no pointer, and for
// GEDCOM 7's @VOID@, which stands for nobody.
std::string gedcom_pointer(std::string_view value);

// Whether a line holds nothing but blanks and tabs.
bool blank_gedcom_line(std::string_view raw);

// Whether the header of a GEDCOM input says GEDCOM 7, whose cross-references are upper case.
bool is_gedcom_7(const PedigreeInput& in);

}  // namespace loopcut::prep
