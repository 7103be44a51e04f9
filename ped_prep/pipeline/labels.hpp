#pragma once
#include <string>

#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Gives every row a label that is unique in the file, at most 20 characters long and made only
// of characters that the chain's reader takes as one item (letters, digits and _ . : + # @ -).
// An individual keeps its identifier where it can (prefixed by its family where identifiers
// repeat across families); an added parent is named after the known parent.
void assign_labels(const PedigreeInput& in, Prepared& prepared);

// Replaces every character that the chain's reader would not keep in one item by '_'.
std::string safe_label_text(const std::string& text);

}  // namespace loopcut::prep
