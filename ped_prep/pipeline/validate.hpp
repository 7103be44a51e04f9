#pragma once
// The first step of every command: the input checked and its parents resolved.
#include <string>
#include <vector>

#include "ped_prep/pipeline/pedigree.hpp"

namespace loopcut::prep {

// Parents of every person of the input, as indices into `people` (-1 for none).
struct Parents {
  std::vector<int> father;
  std::vector<int> mother;
};

// Checks the input and resolves the parents. Returns every problem found (the reader's first),
// each naming the individuals concerned; empty when the input can be used.
std::vector<std::string> validate(const PedigreeInput& in, Parents& parents);

// What would make a refused input usable, for the lines after its problems: for parents named
// without a record, --add-missing-parents (unless given) and, where the parent columns hold
// another program's missing code (x, -9, ., NA), that 0 is the missing code.
std::vector<std::string> advice(const PedigreeInput& in, bool adding_missing_parents);

// How a person is named in messages: "7 of family 12" or "I65".
std::string who(const Person& p);

// True for a parent name that other programs use for "missing" where these formats use 0.
bool looks_like_missing_code(const std::string& id);

}  // namespace loopcut::prep
