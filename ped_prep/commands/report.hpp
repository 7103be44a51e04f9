#pragma once
#include <iosfwd>
#include <string>
#include <vector>

#include "ped_prep/pipeline/loops.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// At most this many problems are listed; the count of the rest follows.
inline constexpr std::size_t PROBLEMS_SHOWN = 20;

// The problems as they are listed: each line once, in the order first met, the first
// PROBLEMS_SHOWN of them and then a line with the count of the rest; bytes of the input that
// are no printable ASCII shown as \xNN.
std::vector<std::string> problem_lines(const std::vector<std::string>& problems);

// Writes the problems to the error output under one heading, then the advice (what would make
// the input usable); returns the status of a refusal.
int refuse(const std::string& input, const std::vector<std::string>& problems,
           const std::vector<std::string>& advice = {});

// One paragraph on what an import made of the input; `loops` those of `p` where counted already.
void print_import_summary(std::ostream& out, const PedigreeInput& in, const Prepared& p);
void print_import_summary(std::ostream& out, const PedigreeInput& in, const Prepared& p,
                          const LoopAnalysis& loops);

}  // namespace loopcut::prep
