#pragma once
#include <string>

#include "common/label.hpp"

namespace loopcut {

// An integer right-aligned in six columns; six asterisks when it does not fit.
std::string format_i6(int v);

// "(I6,3X,A20)": a report line of 29 characters.
std::string report_line(int id, const Label& label);

// "(6I6,2X,A20)": a cut pedigree line of 58 characters.
std::string pedigree_line(int ped, int id, int fa, int mo, int sex, int prob, const Label& label);

}  // namespace loopcut
