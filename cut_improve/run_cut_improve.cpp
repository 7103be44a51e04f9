#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/fixed_format.hpp"
#include "common/free_writer.hpp"
#include "common/pedigree_file.hpp"
#include "common/par.hpp"
#include "cut_improve/cut_improve.hpp"

namespace loopcut {

namespace {

// One pedigree on its way: the given cut, the search's selection and what is known of it.
struct Pedigree {
  Kept given, kept;
  Decomposition parts;
  bool searched = false;  // weights the search can price
  bool proven = true;     // every part searched to the end
};

bool finite_weights(const StarModel& model) {
  for (const ModelStar& s : model.stars) {
    if (!std::isfinite(s.weight)) return false;
  }
  return true;
}

// The stars of no cycle are kept, the parts searched locally.
void start(const StarModel& model, Pedigree& p, const Deadline& deadline) {
  p.kept = p.given;
  p.proven = true;
  p.searched = finite_weights(model);
  if (!p.searched) {
    p.proven = false;
    return;
  }
  p.parts = split_into_parts(model);
  for (int s : p.parts.free_stars) p.kept[s] = 1;
  for (Part& part : p.parts.parts) {
    std::vector<char> in = part_selection(part, p.kept);
    local_search(part, in, deadline);
    apply_part_selection(part, in, p.kept);
  }
}

struct PartRef {
  Pedigree* pedigree;
  const Part* part;
};

// First each part is searched to the end in a tenth of the budget or its share of what is
// left, the smallest first; the parts that are not finished then share the rest of the time by
// their size, kicked and searched locally.
void search_parts(std::vector<Pedigree>& peds, double budget, const Deadline& deadline) {
  std::vector<PartRef> refs;
  for (Pedigree& p : peds) {
    for (const Part& part : p.parts.parts) refs.push_back({&p, &part});
  }
  std::stable_sort(refs.begin(), refs.end(), [](const PartRef& a, const PartRef& b) {
    return a.part->size() < b.part->size();
  });
  std::vector<PartRef> open;
  for (std::size_t k = 0; k < refs.size(); ++k) {
    const Part& part = *refs[k].part;
    Pedigree& p = *refs[k].pedigree;
    const double left = deadline.seconds_left();
    const Deadline share(std::min(budget / 10, left / static_cast<double>(refs.size() - k)));
    std::vector<char> in = part_selection(part, p.kept);
    const bool finished = !deadline.passed() && branch_and_bound(part, in, share);
    apply_part_selection(part, in, p.kept);
    if (!finished) open.push_back(refs[k]);
    if (part.unit == 0.0) p.proven = false;  // finished, but on sums that round
  }
  double members = 0;
  for (const PartRef& r : open) members += r.part->size();
  for (std::size_t k = 0; k < open.size(); ++k) {
    const Part& part = *open[k].part;
    Pedigree& p = *open[k].pedigree;
    p.proven = false;
    const Deadline share(deadline.seconds_left() * part.size() / members);
    members -= part.size();
    std::vector<char> in = part_selection(part, p.kept);
    kick_search(part, in, share, 20261207u + static_cast<unsigned>(k));
    apply_part_selection(part, in, p.kept);
  }
}

void print_cut(const char* when, double cost, int count, const char* note) {
  FreeLine line;
  line << when << "COST=" << static_cast<float>(cost) << "STARS=" << count;
  if (note != nullptr) line << note;
  print(line);
}

}  // namespace

std::vector<Improved> improve_cuts(const std::vector<StarModel>& models, std::vector<Kept> given,
                                   double budget) {
  const Deadline deadline(budget);
  std::vector<Pedigree> peds(models.size());
  for (std::size_t p = 0; p < models.size(); ++p) {
    peds[p].given = std::move(given[p]);
    start(models[p], peds[p], deadline);
  }
  search_parts(peds, budget, deadline);
  std::vector<Improved> out(models.size());
  for (std::size_t p = 0; p < models.size(); ++p) {
    Pedigree& ped = peds[p];
    if (!loop_free(models[p], ped.kept)) throw std::logic_error("cut_improve: the search closed a loop");
    // Only a cut that costs less, priced as every cut is, replaces the given one.
    const double before = cut_cost(models[p], ped.given);
    const double after = cut_cost(models[p], ped.kept);
    if (!(after < before)) {
      if (after > before) ped.proven = false;  // the search's sums were not exact
      ped.kept = ped.given;
    }
    out[p] = {std::move(ped.kept), ped.proven};
  }
  return out;
}

void run_cut_improve() {
  read_ceilings();
  const double budget = improve_budget();
  print(FreeLine() << "READING of initial data");
  const auto task = read_task_names("task.inp", 2);
  const std::vector<StarModel> models = build_star_models(task[0], task[1]);
  std::vector<Kept> given = read_cut("res.dat", models);
  for (std::size_t p = 0; p < models.size(); ++p) {
    if (!loop_free(models[p], given[p]))
      throw InputError("res.dat", "the cut leaves a loop in pedigree " + std::to_string(p + 1));
  }
  const std::vector<Improved> improved = improve_cuts(models, given, budget);

  OutputFile res("res.dat", OutputFile::Mode::replace_when_done);
  double total_before = 0.0, total_after = 0.0;
  int count_before = 0, count_after = 0;
  bool all_proven = true;
  for (std::size_t p = 0; p < models.size(); ++p) {
    const StarModel& model = models[p];
    const Improved& result = improved[p];
    const double before = cut_cost(model, given[p]);
    const double after = cut_cost(model, result.kept);
    print(FreeLine() << "PEDIGREE: " << static_cast<int>(p + 1));
    print_cut("BEFORE:", before, cut_count(given[p]), nullptr);
    print_cut("AFTER:", after, cut_count(result.kept),
              result.proven ? "proven optimal" : "not proven optimal");
    total_before += before;
    total_after += after;
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
  res.commit();
}

}  // namespace loopcut
