#include <memory>

#include "common/files.hpp"
#include "common/free_writer.hpp"
#include "common/pedigree_file.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

void run_cut_select() {
  read_ceilings();
  auto w = std::make_unique<WorkArea>();
  print(FreeLine() << "READING of initial data");
  const auto task = read_task_names("task.inp", 2);
  load_pedigree(*w, task[0]);
  check_record_capacity(*w);
  load_weights(*w, task[1]);
  divide_pedigrees(*w);
  check_records(*w);

  OutputFile res("res.dat", OutputFile::Mode::in_place);
  const int nfam = w->nfam();
  for (int ip = 1; ip <= nfam; ++ip) {
    print(FreeLine() << "PEDIGREE: " << ip);
    structure(*w, ip);
    sow_tree(*w, ip);
    star(*w, ip);
    optimal(*w, ip, res);
  }
  res.commit();
}

}  // namespace loopcut
