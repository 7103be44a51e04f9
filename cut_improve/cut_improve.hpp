#pragma once
#include <chrono>
#include <string>
#include <vector>

#include "cut_select/star_model.hpp"

namespace loopcut {

// The whole run in the working directory: task.inp, the pedigree and weight files and res.dat
// in; res.dat replaced by a cut that costs no more and leaves no loop.
void run_cut_improve();

// Per star of a pedigree, in star order: 1 = kept (not in the cut), 0 = cut.
using Kept = std::vector<char>;

// ---- The budget.

// The search's work is counted in units of about one elementary step (a member looked at, a
// link joined, a simplex pivot over a row), never in seconds, so that the same input and budget
// give the same cut on any machine at any load. A budget is given in seconds of the project's
// two-core reference machine: WORK_PER_SECOND units each, measured there on the real sets.
inline constexpr long long WORK_PER_SECOND = 200000000;
long long work_units(double reference_seconds);

// The budget in such seconds, from LOOPCUT_IMPROVE_BUDGET (10 when unset), and the hard limit in
// wall-clock seconds from LOOPCUT_IMPROVE_SECONDS (none when unset: -1). Either stops with a
// message naming the variable when its value is not a number of seconds.
double improve_budget();

// How far above the bound the cost may be, in percent of the cost, with one decimal: the GAP of
// the BOUND lines, and of ped_prep's totals over batches.
std::string gap_percent(double cost, double bound);
double improve_wall_seconds();

// A hard stop in wall-clock seconds (none for a negative number). Only when it, and not the
// work budget, ends a search can the cut depend on the machine.
class WallClock {
 public:
  explicit WallClock(double seconds);
  bool check();  // reads the clock
  bool fired() const { return fired_; }

 private:
  bool limited_;
  bool fired_ = false;
  std::chrono::steady_clock::time_point end_;
};

// Work units to spend, counted down by the searches; a share of another budget counts down
// both. The clock is read every so many units.
class Budget {
 public:
  Budget(long long units, WallClock& clock);
  Budget(long long units, Budget& parent);  // at most what the parent has left
  Budget(const Budget&) = delete;
  Budget& operator=(const Budget&) = delete;

  // Counts work done; false once this budget, a parent's, or the clock is spent.
  bool spend(long long units);
  bool spent() const;
  long long left() const;
  long long used() const { return used_; }
  bool clock_fired() const { return clock_->fired(); }

 private:
  long long limit_;
  long long used_ = 0;
  long long since_clock_ = 0;
  WallClock* clock_;
  Budget* parent_ = nullptr;
};

// ---- The improvement of every pedigree's cut.

struct Improved {
  Kept kept;
  bool proven = false;  // no loop-free selection costs less
  // No loop-free selection costs less than this (exact where the pedigree's sums are).
  double bound = 0;
};

struct Improvement {
  std::vector<Improved> pedigrees;
  bool clock_stopped = false;  // the wall-clock limit, not the work budget, ended the search
  long long work = 0;          // units spent
};

// Starts from each pedigree's given loop-free selection and returns one that keeps no less,
// within the work budget and the wall-clock limit (negative: none); a selection that would not
// cost less, priced by cut_cost, is not taken.
Improvement improve_cuts(const std::vector<StarModel>& models, std::vector<Kept> given,
                         long long work, double wall_seconds = -1);

// ---- The given cut and its price.

// Reads res.dat into one selection per pedigree: every star named in the file is cut, the
// others kept. Refuses a line that names no star's centre, a label that is not the centre's,
// and a star listed twice.
std::vector<Kept> read_cut(const std::string& file_name, const std::vector<StarModel>& models);

// The price of a cut: the weights of its stars summed in double, in star order. Every cost that
// is printed or compared is this sum.
double cut_cost(const StarModel& model, const Kept& kept);
int cut_count(const Kept& kept);

// Do the kept stars' links form no cycle? A union-find of its own over the model's nodes.
bool loop_free(const StarModel& model, const Kept& kept);

// ---- The search, one independent part at a time.

// Stars tied together through shared cycles. Members are numbered 0 .. size-1 in star order;
// nodes 0 .. nnode-1. A member's nodes are its centre first, then the marriage nodes whose links
// lie on a cycle of the pedigree's loop graph; its other links can never close a loop and are
// left out.
struct Part {
  std::vector<int> star;  // the model's star index (0-based) of each member
  std::vector<double> weight;
  std::vector<std::vector<int>> nodes;
  int nnode = 0;
  // Every weight is a whole multiple of `unit`, and every sum of them is exact in double;
  // 0 when that does not hold (then no result is claimed to be optimal).
  double unit = 0;

  int size() const { return static_cast<int>(star.size()); }
};

struct Decomposition {
  std::vector<Part> parts;
  std::vector<int> free_stars;    // on no cycle: always kept
  std::vector<int> looped_stars;  // close a loop by themselves: always cut
};

Decomposition split_into_parts(const StarModel& model);

// The common unit of the weights when every sum of them is exact (a power of two that divides
// each, their total below 2^52 units), 0 otherwise.
double exact_unit(const std::vector<double>& weights);

// Keeps the part's members not cut by the selection; the inverse puts them back.
std::vector<char> part_selection(const Part& part, const Kept& kept);
void apply_part_selection(const Part& part, const std::vector<char>& in_part, Kept& kept);

// The weight kept by a selection of the part's members, summed in member order.
double kept_weight(const Part& part, const std::vector<char>& in_part);

// Improves a loop-free selection of the part in place: first every member that fits is added,
// then one kept member at a time is dropped for the members that then fit, when they weigh
// more. Stops when the budget is spent with the best selection found.
void local_search(const Part& part, std::vector<char>& in_part, Budget& budget);

// Goes on from the local best: kicks the selection out of it (a random cut member forced in,
// the kept members that then close a loop out) and searches locally again, keeping the best
// selection seen, until the budget is spent or the kept weight reaches `enough`. The seed makes
// a run repeatable.
void kick_search(const Part& part, std::vector<char>& in_part, Budget& budget, unsigned seed,
                 double enough);

// What the exact search may take as settled: per member OPEN, or KEPT or CUT in every selection
// that keeps more than the incumbent.
enum Fixed : signed char { OPEN = 0, KEPT = 1, CUT = 2 };

// Searches the part exhaustively from the incumbent selection, which it replaces whenever it
// finds a heavier one. Returns true when the search finished: the result is then optimal where
// the part's sums are exact (unit not 0).
bool branch_and_bound(const Part& part, std::vector<char>& in_part, Budget& budget,
                      const std::vector<signed char>& fixed);

// ---- The bound.

// The exact search's bound at its root: no loop-free selection keeps more than the heaviest
// forest of the links when each member's weight is shared among its links. Fast, and weaker than
// the relaxation below once that is solved.
double shared_forest_bound(const Part& part);

// The relaxation of the forest model: each member kept by a fraction x in [0, 1], the kept
// weight as large as it can be while for every set S of nodes the links that the members put
// inside S, sum over members of x * (nodes of the member in S - 1), number at most |S| - 1.
// The sets are found as they are violated. Any prices of the sets give a bound (their duals):
// the bound is computed from them, so it holds whatever the solver's tolerances.
struct PartBound {
  double kept = 0;              // no loop-free selection keeps more (before rounding to the unit)
  std::vector<double> reduced;  // per member: its weight less the prices of its sets
  bool finished = false;        // no violated set is left: the relaxation's optimum
  bool integral = false;        // and that optimum is a selection
  std::vector<char> selection;  // the relaxation's optimum when integral
  int rows = 0, rounds = 0;     // sets found, rounds of finding them
};
// Stops early once the bound, rounded to the unit, is down to `reached` (a selection keeps
// that much: it is optimal). `incumbent`, a loop-free selection when given, steers the search
// for sets; the bound holds with or without it.
PartBound forest_bound(const Part& part, Budget& budget, double reached,
                       const std::vector<char>& incumbent = {});

// Largest multiple of the part's unit that is not above the bound (the bound itself for unit 0).
double round_kept_bound(const Part& part, double kept);

// A set of nodes whose forest inequality the point x violates by more than `margin`, found by
// the routines below; each returns sets as sorted node lists.
using NodeSet = std::vector<int>;
double forest_violation(const Part& part, const std::vector<double>& x, const NodeSet& set);
std::vector<NodeSet> violated_sets(const Part& part, const std::vector<double>& x, Budget& budget,
                                   std::size_t most);

}  // namespace loopcut
