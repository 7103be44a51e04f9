#include "import_checks.hpp"

#include "ped_prep/pipeline/prepare.hpp"
#include "ped_prep/pipeline/validate.hpp"

namespace loopcut::fuzz {

std::string broken_checks(const prep::PedigreeInput& in, bool prepare_sound) {
  std::string broken;
  for (const std::string& p : in.problems)
    if (p.empty()) broken = "a problem without a message";
  prep::Parents parents;
  const std::vector<std::string> problems = prep::validate(in, parents);
  for (const std::string& p : problems)
    if (p.empty()) broken = "a problem of the checks without a message";
  if (prepare_sound && problems.empty()) (void)prep::prepare(in, parents, prep::PrepareOptions{});
  return broken;
}

}  // namespace loopcut::fuzz
