#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ped_prep/pedigree_input.hpp"
#include "ped_prep/prepare.hpp"

namespace loopcut::prep {

// Writes every problem to the error output under one heading; returns the status of a refusal.
int refuse(const std::string& input, const std::vector<std::string>& problems);

// One paragraph on what an import made of the input.
void print_import_summary(std::ostream& out, const PedigreeInput& in, const Prepared& p);

}  // namespace loopcut::prep
