// ped_prep check: the loop counts of a pedigree file and, with a cut file, the cut's verdict.
#include <iostream>

#include "ped_prep/pipeline/check.hpp"
#include "ped_prep/commands/commands.hpp"
#include "ped_prep/formats/chain_format.hpp"

namespace loopcut::prep {

int check_command(const std::string& pedfile, const std::string& cutfile, bool all) {
  const ChainFile input = read_chain_file(pedfile);
  ChainFile cut;
  if (!cutfile.empty()) cut = read_chain_file(cutfile);
  const CheckResult result = check_pedigrees(input, cutfile.empty() ? nullptr : &cut);
  print_check(result, std::cout, all);
  return check_passed(result) ? DONE : REFUSED;
}

}  // namespace loopcut::prep
