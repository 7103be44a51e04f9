#pragma once
// What the ped_prep reader targets ask of every file read: each problem says something, and a
// file the checks pass can be prepared for the chain.
#include <string>

#include "ped_prep/pipeline/pedigree.hpp"

namespace loopcut::fuzz {

// Empty when the reader's problems and those of the checks all have a message; otherwise what
// is broken. With `prepare_sound`, a file without problems is also prepared.
std::string broken_checks(const prep::PedigreeInput& in, bool prepare_sound);

}  // namespace loopcut::fuzz
