#include "common/free_writer.hpp"
#include "common/par.hpp"
#include "cost_prep/cost_prep.hpp"

namespace loopcut {

void run_cost_prep() {
  read_ceilings();
  const WeightTask task = read_weight_task("task_w_fin.inp");
  // Every star is a pedigree record, so n beyond the star ceiling is a mistyped count: refuse it
  // before anything is read or written.
  if (task.n > n_star()) stop_star_capacity();

  StarTable stars;
  read_relationships("rrr.dat", stars);
  StarList list;
  read_star_list(task.list_file, list);

  // All input is read: only now are the weight files started. They replace the old ones only
  // once all four are complete.
  WeightFiles files;
  const float scale = choose_scale(stars.smallest);
  const WeightCounts counts = write_star_weights(task.n, stars, list, scale, files);
  files.commit();

  print(FreeLine() << "number of stars =         " << counts.found);
  print(FreeLine() << "number of stars from list=" << counts.from_list);
}

}  // namespace loopcut
