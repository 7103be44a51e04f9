#include <cmath>
#include <cstdio>
#include <string>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "common/free_writer.hpp"
#include "common/par.hpp"
#include "common/pedigree_file.hpp"
#include "cut_improve/cut_improve.hpp"

namespace loopcut {

namespace {

void print_cut(const char* when, double cost, int count, const char* note) {
  FreeLine line;
  line << when << "COST=" << static_cast<float>(cost) << "STARS=" << count;
  if (note != nullptr) line << note;
  print(line);
}

void print_bound(const char* what, double cost, double bound) {
  print(FreeLine() << what << "COST=" << static_cast<float>(bound)
                   << "GAP=" << gap_percent(cost, bound) << "%");
}

bool has_loops(const StarModel& model) {
  const Decomposition d = split_into_parts(model);
  return !d.parts.empty() || !d.looped_stars.empty();
}

}  // namespace

void run_cut_improve() {
  read_ceilings();
  const double budget = improve_budget();
  const double wall = improve_wall_seconds();
  print(FreeLine() << "READING of initial data");
  const auto task = read_task_names("task.inp", 2);
  const std::vector<StarModel> models = build_star_models(task[0], task[1]);
  std::vector<Kept> given = read_cut("res.dat", models);
  for (std::size_t p = 0; p < models.size(); ++p) {
    if (!loop_free(models[p], given[p]))
      throw InputError("res.dat", "the cut leaves a loop in pedigree " + std::to_string(p + 1));
  }
  const Improvement improved = improve_cuts(models, given, work_units(budget), wall);

  OutputFile res("res.dat", OutputFile::Mode::replace_when_done);
  double total_before = 0.0, total_after = 0.0, total_bound = 0.0;
  int count_before = 0, count_after = 0;
  bool all_proven = true;
  for (std::size_t p = 0; p < models.size(); ++p) {
    const StarModel& model = models[p];
    const Improved& result = improved.pedigrees[p];
    const double before = cut_cost(model, given[p]);
    const double after = cut_cost(model, result.kept);
    print(FreeLine() << "PEDIGREE: " << static_cast<int>(p + 1));
    print_cut("BEFORE:", before, cut_count(given[p]), nullptr);
    print_cut("AFTER:", after, cut_count(result.kept),
              result.proven ? "proven optimal" : "not proven optimal");
    if (has_loops(model)) print_bound("BOUND:", after, result.bound);
    total_before += before;
    total_after += after;
    total_bound += result.bound;
    count_before += cut_count(given[p]);
    count_after += cut_count(result.kept);
    all_proven = all_proven && result.proven;
    for (std::size_t s = 0; s < model.stars.size(); ++s) {
      if (!result.kept[s]) res.line(report_line(model.stars[s].id, model.stars[s].kod));
    }
  }
  print_cut("TOTAL BEFORE:", total_before, count_before, nullptr);
  print_cut("TOTAL AFTER:", total_after, count_after,
            all_proven ? "proven optimal" : "not proven optimal");
  print_bound("TOTAL BOUND:", total_after, total_bound);
  if (improved.clock_stopped) {
    print(FreeLine() << "STOPPED by LOOPCUT_IMPROVE_SECONDS before the work budget was spent:"
                     << "on another machine the cut may differ");
  }
  res.commit();
}

}  // namespace loopcut
