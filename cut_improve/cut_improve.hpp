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

// ---- Time.

// When the search must stop. Reading the clock is cheap but not free: the searches ask only
// every few hundred steps.
class Deadline {
 public:
  explicit Deadline(double seconds);
  bool passed() const { return std::chrono::steady_clock::now() >= end_; }
  double seconds_left() const;

 private:
  std::chrono::steady_clock::time_point end_;
};

// The time budget in seconds from LOOPCUT_IMPROVE_SECONDS (10 when unset); stops with a
// message naming the variable when its value is not a number of seconds.
double improve_budget();

// ---- The improvement of every pedigree's cut.

struct Improved {
  Kept kept;
  bool proven = false;  // no loop-free selection keeps more
};

// Starts from each pedigree's given loop-free selection and returns one that keeps no less, in
// the time budget; a selection that would not cost less, priced by cut_cost, is not taken.
std::vector<Improved> improve_cuts(const std::vector<StarModel>& models, std::vector<Kept> given,
                                   double budget);

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

// Keeps the part's members not cut by the selection; the inverse puts them back.
std::vector<char> part_selection(const Part& part, const Kept& kept);
void apply_part_selection(const Part& part, const std::vector<char>& in_part, Kept& kept);

// The weight kept by a selection of the part's members, summed in member order.
double kept_weight(const Part& part, const std::vector<char>& in_part);

// Improves a loop-free selection of the part in place: first every member that fits is added,
// then one kept member at a time is dropped for the members that then fit, when they weigh
// more. Stops at the deadline with the best selection found.
void local_search(const Part& part, std::vector<char>& in_part, const Deadline& deadline);

// Goes on from the local best: kicks the selection out of it (a random cut member forced in,
// the kept members that then close a loop out) and searches locally again, keeping the best
// selection seen, until the deadline. The seed makes a run repeatable up to the clock.
void kick_search(const Part& part, std::vector<char>& in_part, const Deadline& deadline,
                 unsigned seed);

// Searches the part exhaustively from the incumbent selection, which it replaces whenever it
// finds a heavier one. Returns true when the search finished: the result is then optimal where
// the part's sums are exact (unit not 0).
bool branch_and_bound(const Part& part, std::vector<char>& in_part, const Deadline& deadline);

}  // namespace loopcut
