#pragma once
#include <string>
#include <string_view>

#include "common/label.hpp"

namespace loopcut {

// An integer right-aligned in six columns; six asterisks when it does not fit.
std::string format_i6(int v);

// "(I6,3X,A20)": a report line of 29 characters.
std::string report_line(int id, const Label& label);

// A report line in the layout the optimiser writes: exactly 29 characters (a final carriage
// return not counted), columns 1-6 a right-aligned integer, columns 7-9 blank. Its label is then
// columns 10-29 as they stand, whatever characters they hold, so labels with blanks, commas,
// slashes or quotes, and empty labels, come back as written.
bool read_report_columns(std::string_view line, int& id, Label& label);

// A line that the free-format reader skips while it looks for an item: the report's readers step
// over such lines before they try a line's columns.
bool holds_no_item(std::string_view line);

// "(6I6,2X,A20)": a cut pedigree line of 58 characters.
std::string pedigree_line(int ped, int id, int fa, int mo, int sex, int prob, const Label& label);

}  // namespace loopcut
