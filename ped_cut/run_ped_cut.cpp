#include <memory>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_writer.hpp"
#include "common/pedigree_file.hpp"
#include "ped_cut/ped_cut.hpp"

namespace loopcut {

void run_ped_cut() {
  read_ceilings();
  auto t = std::make_unique<CutTables>();
  const auto task = read_task_names("task.inp", 3);
  // The cut pedigree file never replaces one of the inputs, whatever its name.
  for (int i : {0, 1})
    if (same_file(task[2], task[i]))
      throw InputError(task[2], "the cut pedigree file would replace the input " + task[i]);
  print(FreeLine() << "READING of initial data");

  read_pedigree(*t, task[0]);
  if (t->ndat > n_size()) stop_record_ceiling();
  t->ensure_rows(t->ndat);
  for (int r = 1; r <= t->ndat; ++r) t->mas(r, PROB) = 2;

  read_report(*t, "res.dat");
  if (t->ncut > n_star()) stop_star_ceiling();
  t->ensure_entries(t->ncut);
  read_weights(*t, task[1]);

  find_breakers(*t);
  check_input(*t);
  cut_breakers(*t);
  const int nped = split(*t);
  rejoin(*t);
  rewrite(*t, nped);
  write_cut_pedigree(*t, task[2]);
}

}  // namespace loopcut
