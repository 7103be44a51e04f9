#pragma once
// One program of the chain run in its folder.
#include <functional>
#include <string>

namespace loopcut::prep {

// A program of the chain stopped short: what it said, in the user's terms.
struct ChainStop {
  std::string message;
};

// Runs one program of the chain (cost_prep, cut_select, cut_improve, ped_cut) from `bin` in
// `dir`, its progress over `pedigrees` shown when `show_progress`; a ChainStop when it stopped
// short. `seen` gets every line of its standard output as well.
void run_chain_program(const std::string& bin, const std::string& program, const std::string& dir,
                       int pedigrees, bool show_progress,
                       const std::function<void(const std::string&)>& seen = nullptr);

}  // namespace loopcut::prep
