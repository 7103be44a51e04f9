#include "ped_prep/commands/read_checked_input.hpp"

#include "ped_prep/commands/report.hpp"
#include "ped_prep/formats/format.hpp"
#include "ped_prep/formats/linkage_fam.hpp"
#include "ped_prep/pipeline/prepare.hpp"

namespace loopcut::prep {

std::optional<CheckedInput> read_checked_input(Format format, const std::string& input,
                                               const ReadOptions& options) {
  CheckedInput checked;
  if (!options.genotypes.empty()) checked.layout = read_locus_file(options.genotypes);
  checked.in = read_input(format, input, checked.layout ? &*checked.layout : nullptr,
                          options.strict);
  if (options.add_missing_parents) add_missing_parents(checked.in);
  const std::vector<std::string> problems = validate(checked.in, checked.parents);
  if (!problems.empty()) {
    refuse(input, problems, advice(checked.in, options.add_missing_parents));
    return std::nullopt;
  }
  return checked;
}

Prepared prepare_checked_input(const CheckedInput& checked, const ReadOptions& options) {
  PrepareOptions po;
  po.keep_one_parent = options.keep_one_parent;
  return prepare(checked.in, checked.parents, po);
}

}  // namespace loopcut::prep
