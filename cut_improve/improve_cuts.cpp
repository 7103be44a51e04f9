#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "cut_improve/cut_improve.hpp"

namespace loopcut {

namespace {

// One part on its way: what is known of its best selection.
struct PartState {
  const Part* part = nullptr;
  double bound = 0;      // no selection keeps more
  bool settled = false;  // the selection reaches the bound
};

// One pedigree on its way: the given cut, the search's selection and its parts.
struct Pedigree {
  Kept given, kept;
  Decomposition parts;
  std::vector<PartState> states;
  bool searched = false;  // weights the search can price
};

bool finite_weights(const StarModel& model) {
  for (const ModelStar& s : model.stars) {
    if (!std::isfinite(s.weight)) return false;
  }
  return true;
}

double total_weight(const Part& part) {
  double sum = 0.0;
  for (double w : part.weight) sum += w;
  return sum;
}

// Does the selection keep as much as the bound allows? Only on exact sums.
bool reaches(const Part& part, double kept, double bound) {
  return part.unit != 0.0 && kept >= bound;
}

// The stars of no cycle are kept, the parts searched locally.
void start(const StarModel& model, Pedigree& p, Budget& budget) {
  p.kept = p.given;
  p.searched = finite_weights(model);
  if (!p.searched) return;
  p.parts = split_into_parts(model);
  for (int s : p.parts.free_stars) p.kept[s] = 1;
  for (const Part& part : p.parts.parts) {
    std::vector<char> in = part_selection(part, p.kept);
    local_search(part, in, budget);
    apply_part_selection(part, in, p.kept);
    double all = 0.0;
    for (double w : part.weight) all += std::max(0.0, w);
    p.states.push_back({&part, all, false});
  }
}

// Members that every selection keeping more than the incumbent keeps, or cuts: those for which
// the bound with the other choice falls short of the incumbent.
std::vector<signed char> settle_by_bound(const Part& part, const PartBound& b, double incumbent) {
  std::vector<signed char> fixed(static_cast<std::size_t>(part.size()), OPEN);
  const double need = part.unit != 0.0 ? incumbent + part.unit : incumbent;
  for (int m = 0; m < part.size(); ++m) {
    const double r = b.reduced[m];
    const double other = r < 0 ? b.kept + r : b.kept - r;  // kept if r < 0, cut if r > 0
    if (r == 0 || round_kept_bound(part, other) >= need) continue;
    fixed[m] = r < 0 ? CUT : KEPT;
  }
  return fixed;
}

// After an exact search that finished: on exact sums nothing keeps more than its result; on
// sums that round the search may have missed a selection by a rounding, so the bound stays.
double bound_of_finished(const Part& part, const std::vector<char>& in, double bound) {
  return part.unit != 0.0 ? std::min(bound, kept_weight(part, in)) : bound;
}

// A short exact search first (most parts are small, and it settles them at once), then the
// part's bound, then the exact search on what the bound leaves open; true when nothing is left
// to search: the search finished, or the selection reaches the bound.
bool bound_and_branch(PartState& st, Kept& kept, Budget& share) {
  const Part& part = *st.part;
  std::vector<char> in = part_selection(part, kept);
  bool finished = false;
  {
    Budget first(share.left() / 8, share);
    finished = branch_and_bound(
        part, in, first, std::vector<signed char>(static_cast<std::size_t>(part.size()), OPEN));
  }
  st.bound = std::min(st.bound, round_kept_bound(part, shared_forest_bound(part)));
  if (finished && part.unit != 0.0) {
    apply_part_selection(part, in, kept);
    st.bound = kept_weight(part, in);
    st.settled = true;
    return true;
  }
  PartBound b;
  {
    // Most of the rest to the bound: on a part the short search did not finish, the exact search
    // after it rarely finishes either unless the bound has come close.
    Budget lp(share.left() / 10 * 9, share);
    b = forest_bound(part, lp, kept_weight(part, in), in);
  }

  st.bound = std::min(st.bound, round_kept_bound(part, b.kept));
  if (b.integral && kept_weight(part, b.selection) > kept_weight(part, in)) in = b.selection;
  double have = kept_weight(part, in);
  if (!reaches(part, have, st.bound) && !share.spent() && !finished) {
    const std::vector<signed char> fixed = settle_by_bound(part, b, have);
    if (branch_and_bound(part, in, share, fixed)) {
      apply_part_selection(part, in, kept);
      st.bound = bound_of_finished(part, in, st.bound);
      st.settled = reaches(part, kept_weight(part, in), st.bound);
      return true;
    }
  }
  apply_part_selection(part, in, kept);
  st.settled = reaches(part, have, st.bound);
  return st.settled || finished;
}

struct PartRef {
  Pedigree* pedigree;
  PartState* state;
};

// First each part is bounded and searched to the end in its share of the budget, the smallest
// first; the parts that are not settled then share the rest of the
// budget by their size, kicked and searched locally until they reach their bound.
void search_parts(std::vector<Pedigree>& peds, Budget& budget) {
  std::vector<PartRef> refs;
  for (Pedigree& p : peds) {
    for (PartState& st : p.states) refs.push_back({&p, &st});
  }
  std::stable_sort(refs.begin(), refs.end(), [](const PartRef& a, const PartRef& b) {
    return a.state->part->size() < b.state->part->size();
  });
  // Three fifths of the budget for the bounds and exact searches, shared by size; what a part
  // leaves goes to the parts after it.
  double members = 0;
  for (const PartRef& r : refs) members += r.state->part->size();
  Budget exact(budget.left() / 5 * 3, budget);
  std::vector<PartRef> open;
  for (std::size_t k = 0; k < refs.size(); ++k) {
    const double size = refs[k].state->part->size();
    Budget share(static_cast<long long>(static_cast<double>(exact.left()) * size / members), exact);
    members -= size;
    if (!bound_and_branch(*refs[k].state, refs[k].pedigree->kept, share)) open.push_back(refs[k]);
  }
  members = 0;
  for (const PartRef& r : open) members += r.state->part->size();
  for (std::size_t k = 0; k < open.size(); ++k) {
    PartState& st = *open[k].state;
    const Part& part = *st.part;
    Budget share(static_cast<long long>(static_cast<double>(budget.left()) * part.size() / members),
                 budget);
    members -= part.size();
    std::vector<char> in = part_selection(part, open[k].pedigree->kept);
    const double enough = st.bound;
    kick_search(part, in, share, 20261207u + static_cast<unsigned>(k), enough);
    apply_part_selection(part, in, open[k].pedigree->kept);
    st.settled = reaches(part, kept_weight(part, in), st.bound);
  }
}

// No loop-free selection of the pedigree costs less: the parts' weights less what they can keep,
// the stars that close a loop alone, and the free stars that cost less cut than kept.
double cost_bound(const StarModel& model, const Pedigree& p) {
  if (!p.searched) return -std::numeric_limits<double>::infinity();
  double bound = 0.0;
  for (const PartState& st : p.states) bound += total_weight(*st.part) - st.bound;
  for (int s : p.parts.looped_stars) bound += model.stars[s].weight;
  for (int s : p.parts.free_stars)
    bound += std::min(0.0, static_cast<double>(model.stars[s].weight));
  return bound;
}

}  // namespace

Improvement improve_cuts(const std::vector<StarModel>& models, std::vector<Kept> given,
                         long long work, double wall_seconds) {
  WallClock clock(wall_seconds);
  Budget budget(work, clock);
  std::vector<Pedigree> peds(models.size());
  {
    // The local searches take at most a fifth of the budget, so that every part gets its bound.
    Budget local(budget.left() / 5, budget);
    for (std::size_t p = 0; p < models.size(); ++p) {
      peds[p].given = std::move(given[p]);
      start(models[p], peds[p], local);
    }
  }
  search_parts(peds, budget);
  Improvement out;
  out.pedigrees.resize(models.size());
  for (std::size_t p = 0; p < models.size(); ++p) {
    Pedigree& ped = peds[p];
    if (!loop_free(models[p], ped.kept))
      throw std::logic_error("cut_improve: the search closed a loop");
    // Only a cut that costs less, priced as every cut is, replaces the given one.
    const double before = cut_cost(models[p], ped.given);
    const double after = cut_cost(models[p], ped.kept);
    if (!(after < before)) ped.kept = ped.given;
    Improved& r = out.pedigrees[p];
    r.bound = cost_bound(models[p], ped);
    std::vector<double> weights;
    for (const ModelStar& s : models[p].stars) weights.push_back(s.weight);
    // With exact sums, a cost that meets the bound is the least there is.
    r.proven =
        ped.searched && exact_unit(weights) != 0.0 && cut_cost(models[p], ped.kept) <= r.bound;
    r.kept = std::move(ped.kept);
  }
  out.clock_stopped = clock.fired();
  out.work = budget.used();
  return out;
}

}  // namespace loopcut
