#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <cstdio>
#include <cstdlib>
#include <chrono>

#include "cut_improve/cut_improve.hpp"

namespace loopcut {

namespace {

// One part on its way: what is known of its best selection.
struct PartState {
  const Part* part = nullptr;
  double bound = 0;       // no selection keeps more
  bool settled = false;   // the selection reaches the bound
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

// A short exact search first (most parts are small, and it settles them at once), then the
// part's bound, then the exact search on what the bound leaves open; true when settled.
bool bound_and_branch(PartState& st, Kept& kept, Budget& share) {
  const Part& part = *st.part;
  std::vector<char> in = part_selection(part, kept);
  {
    Budget first(share.left() / 8, share);
    if (branch_and_bound(part, in, first, std::vector<signed char>(static_cast<std::size_t>(part.size()), OPEN)) &&
        part.unit != 0.0) {
      apply_part_selection(part, in, kept);
      st.bound = kept_weight(part, in);
      st.settled = true;
      return true;
    }
  }
  const auto t0 = std::chrono::steady_clock::now();
  const long long w0 = share.used();
  PartBound b;
  {
    Budget lp(share.left() * 2 / 3, share);
    b = forest_bound(part, lp);
  }
  const double lp_s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const long long lp_w = share.used() - w0;
  st.bound = std::min(st.bound, round_kept_bound(part, b.kept));
  if (b.integral && kept_weight(part, b.selection) > kept_weight(part, in)) in = b.selection;
  double have = kept_weight(part, in);
  if (!reaches(part, have, st.bound) && !share.spent()) {
    const std::vector<signed char> fixed = settle_by_bound(part, b, have);
    if (branch_and_bound(part, in, share, fixed)) {
      have = kept_weight(part, in);
      if (part.unit != 0.0) st.bound = std::min(st.bound, have);
    }
  }
  apply_part_selection(part, in, kept);
  st.settled = reaches(part, have, st.bound);
  if (std::getenv("CI_DEBUG"))
    std::fprintf(stderr, "part %d nodes %d: lp %.3fs %lldw rounds %d rows %d fin %d int %d kept<=%.2f have %.1f settled %d; total %.3fs %lldw of %lld\n",
                 part.size(), part.nnode, lp_s, lp_w, b.rounds, b.rows, b.finished, b.integral, b.kept, have, st.settled,
                 std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), share.used() - w0, share.left() + share.used());
  return st.settled;
}

struct PartRef {
  Pedigree* pedigree;
  PartState* state;
};

// First each part is bounded and searched to the end in a tenth of the budget or its share of
// what is left, the smallest first; the parts that are not settled then share the rest of the
// budget by their size, kicked and searched locally until they reach their bound.
void search_parts(std::vector<Pedigree>& peds, Budget& budget) {
  std::vector<PartRef> refs;
  for (Pedigree& p : peds) {
    for (PartState& st : p.states) refs.push_back({&p, &st});
  }
  std::stable_sort(refs.begin(), refs.end(), [](const PartRef& a, const PartRef& b) {
    return a.state->part->size() < b.state->part->size();
  });
  const long long tenth = budget.left() / 10;
  auto t0 = std::chrono::steady_clock::now(); long long w0 = budget.used();
  std::vector<PartRef> open;
  for (std::size_t k = 0; k < refs.size(); ++k) {
    const long long left = budget.left() / static_cast<long long>(refs.size() - k);
    Budget share(std::min(tenth, left), budget);
    if (!bound_and_branch(*refs[k].state, refs[k].pedigree->kept, share)) open.push_back(refs[k]);
  }
  if (std::getenv("CI_DEBUG")) std::fprintf(stderr, "phase1 %.3fs %lld units: %.0f/s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), budget.used() - w0, (budget.used() - w0) / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  t0 = std::chrono::steady_clock::now(); w0 = budget.used();
  double members = 0;
  for (const PartRef& r : open) members += r.state->part->size();
  for (std::size_t k = 0; k < open.size(); ++k) {
    PartState& st = *open[k].state;
    const Part& part = *st.part;
    Budget share(static_cast<long long>(static_cast<double>(budget.left()) * part.size() / members),
                 budget);
    members -= part.size();
    std::vector<char> in = part_selection(part, open[k].pedigree->kept);
    const double enough = part.unit != 0.0 ? st.bound : std::numeric_limits<double>::infinity();
    kick_search(part, in, share, 20261207u + static_cast<unsigned>(k), enough);
    apply_part_selection(part, in, open[k].pedigree->kept);
    st.settled = reaches(part, kept_weight(part, in), st.bound);
  }
  if (std::getenv("CI_DEBUG")) std::fprintf(stderr, "phase2 %.3fs %lld units: %.0f/s\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), budget.used() - w0, (budget.used() - w0) / std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
}

// No loop-free selection of the pedigree costs less: the parts' weights less what they can keep,
// the stars that close a loop alone, and the free stars that cost less cut than kept.
double cost_bound(const StarModel& model, const Pedigree& p) {
  if (!p.searched) return -std::numeric_limits<double>::infinity();
  double bound = 0.0;
  for (const PartState& st : p.states) bound += total_weight(*st.part) - st.bound;
  for (int s : p.parts.looped_stars) bound += model.stars[s].weight;
  for (int s : p.parts.free_stars) bound += std::min(0.0, static_cast<double>(model.stars[s].weight));
  return bound;
}

}  // namespace

Improvement improve_cuts(const std::vector<StarModel>& models, std::vector<Kept> given,
                         long long work, double wall_seconds) {
  WallClock clock(wall_seconds);
  Budget budget(work, clock);
  std::vector<Pedigree> peds(models.size());
  auto t0 = std::chrono::steady_clock::now();
  for (std::size_t p = 0; p < models.size(); ++p) {
    peds[p].given = std::move(given[p]);
    start(models[p], peds[p], budget);
  }
  if (std::getenv("CI_DEBUG")) std::fprintf(stderr, "start %.3fs %lld units\n", std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count(), budget.used());
  search_parts(peds, budget);
  Improvement out;
  out.pedigrees.resize(models.size());
  for (std::size_t p = 0; p < models.size(); ++p) {
    Pedigree& ped = peds[p];
    if (!loop_free(models[p], ped.kept)) throw std::logic_error("cut_improve: the search closed a loop");
    // Only a cut that costs less, priced as every cut is, replaces the given one.
    const double before = cut_cost(models[p], ped.given);
    const double after = cut_cost(models[p], ped.kept);
    if (!(after < before)) ped.kept = ped.given;
    Improved& r = out.pedigrees[p];
    r.bound = cost_bound(models[p], ped);
    std::vector<double> weights;
    for (const ModelStar& s : models[p].stars) weights.push_back(s.weight);
    // With exact sums, a cost that meets the bound is the least there is.
    r.proven = ped.searched && exact_unit(weights) != 0.0 &&
               cut_cost(models[p], ped.kept) <= r.bound;
    r.kept = std::move(ped.kept);
  }
  out.clock_stopped = clock.fired();
  out.work = budget.used();
  return out;
}

}  // namespace loopcut
