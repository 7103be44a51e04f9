// ped_prep import: checks a pedigree and writes a directory that the chain can run in.
#include <iostream>

#include "ped_prep/commands.hpp"
#include "ped_prep/loops.hpp"
#include "ped_prep/prepare.hpp"
#include "ped_prep/report.hpp"
#include "ped_prep/write_chain_dir.hpp"

namespace loopcut::prep {

int import_command(Format format, const std::string& input, const std::string& dir,
                   const ImportOptions& options) {
  const PedigreeInput in = read_input(format, input);
  Parents parents;
  std::vector<std::string> problems = validate(in, parents);
  if (!problems.empty()) return refuse(input, problems);
  PrepareOptions po;
  po.keep_one_parent = options.keep_one_parent;
  const Prepared p = prepare(in, parents, po);
  problems = capacity_problems(in, p);
  if (!problems.empty()) return refuse(input, problems);

  make_empty_directory(dir);
  const std::string base = dir + "/";
  write_pedigree_file(p, base + PEDIGREE_FILE);
  write_unit_weights(p, base + WEIGHT_FILE);
  write_task_file(base + TASK_FILE, WEIGHT_FILE);
  write_label_map(in, p, base + LABEL_MAP);
  const bool columns = write_columns(in, p, base + COLUMNS_FILE);

  for (const std::string& note : in.notes) std::cout << "note: " << note << '\n';
  print_import_summary(std::cout, in, p);
  std::cout << "wrote " << base << PEDIGREE_FILE << ", " << WEIGHT_FILE << ", " << TASK_FILE
            << ", " << LABEL_MAP << (columns ? std::string(", ") + COLUMNS_FILE : std::string())
            << '\n';
  return DONE;
}

}  // namespace loopcut::prep
