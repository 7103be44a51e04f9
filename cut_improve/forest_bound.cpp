#include <ClpSimplex.hpp>
#include <algorithm>
#include <cmath>
#include <numeric>

#include "cut_improve/cut_improve.hpp"
#include "cut_improve/union_find.hpp"

namespace loopcut {

// The relaxation is solved with the solver's simplex, the sets added as they are found (the
// dual simplex goes on from the last basis). The bound is not the solver's objective but is
// computed here from the sets' prices y >= 0:
//   kept weight <= sum of y * (|S| - 1) + sum over members of max(0, weight - y * coefficients),
// which holds for any prices, so neither the solver's tolerances nor a search cut short can
// make it too small. It is taken from the prices that give the least.

namespace {

constexpr std::size_t SETS_PER_ROUND = 400;
// Once the program holds more sets than members, a set that has stayed slack and unpriced for
// this many rounds leaves it: the program stays small and quick to solve (a set needed again is
// found again); below that size the sets stay, so that the search can end.
constexpr int IDLE_ROUNDS = 3;

struct Rows {
  std::vector<double> rhs;
  std::vector<int> start{0};
  std::vector<int> member;
  std::vector<double> coef;
};

// The members' coefficients in the inequality of a set: nodes in the set less one, where that is
// at least one.
void add_row(const std::vector<std::vector<int>>& at, const NodeSet& set, std::vector<int>& count,
             Rows& rows) {
  std::vector<int> touched;
  for (int v : set) {
    for (int m : at[v]) {
      if (count[m]++ == 0) touched.push_back(m);
    }
  }
  std::sort(touched.begin(), touched.end());
  for (int m : touched) {
    if (count[m] >= 2) {
      rows.member.push_back(m);
      rows.coef.push_back(count[m] - 1);
    }
    count[m] = 0;
  }
  rows.start.push_back(static_cast<int>(rows.member.size()));
  rows.rhs.push_back(static_cast<double>(set.size()) - 1.0);
}

// The bound of the prices y and the members' reduced weights.
double priced_bound(const Part& part, const Rows& rows, const std::vector<double>& y,
                    std::vector<double>& reduced) {
  reduced.assign(part.weight.begin(), part.weight.end());
  long double sum = 0.0L, size = 0.0L;
  for (std::size_t r = 0; r < rows.rhs.size(); ++r) {
    if (y[r] <= 0) continue;
    sum += static_cast<long double>(y[r]) * rows.rhs[r];
    size += static_cast<long double>(y[r]) * rows.rhs[r];
    for (int k = rows.start[r]; k < rows.start[r + 1]; ++k)
      reduced[rows.member[k]] -= y[r] * rows.coef[k];
  }
  for (int m = 0; m < part.size(); ++m) {
    sum += std::max(0.0, reduced[m]);
    size += std::fabs(reduced[m]) + std::fabs(part.weight[m]);
  }
  // A margin far above the rounding of these sums.
  return static_cast<double>(sum + size * 1e-9L + 1e-9L);
}

// Drops the rows marked, from the solver and from `rows` alike.
void drop_rows(ClpSimplex& lp, Rows& rows, std::vector<int>& idle, const std::vector<char>& drop) {
  std::vector<int> which;
  Rows kept;
  std::vector<int> kept_idle;
  for (std::size_t r = 0; r < rows.rhs.size(); ++r) {
    if (drop[r]) {
      which.push_back(static_cast<int>(r));
      continue;
    }
    kept.rhs.push_back(rows.rhs[r]);
    kept.member.insert(kept.member.end(), rows.member.begin() + rows.start[r],
                       rows.member.begin() + rows.start[r + 1]);
    kept.coef.insert(kept.coef.end(), rows.coef.begin() + rows.start[r],
                     rows.coef.begin() + rows.start[r + 1]);
    kept.start.push_back(static_cast<int>(kept.member.size()));
    kept_idle.push_back(idle[r]);
  }
  if (which.empty()) return;
  lp.deleteRows(static_cast<int>(which.size()), which.data());
  rows = std::move(kept);
  idle = std::move(kept_idle);
}

// The relaxation as the solver holds it, and its rows as they are kept here.
struct SetProgram {
  ClpSimplex lp;
  Rows rows;
  std::vector<int> idle;             // rounds each row has stayed slack and unpriced
  std::vector<std::vector<int>> at;  // the members at each node
  std::vector<int> count;            // add_row's count of each member, 0 between rows
};

// A bound that needs no set: every member of positive weight is kept.
double trivial_kept(const Part& part) {
  double trivial = 0.0;
  for (double w : part.weight) trivial += std::max(0.0, w);
  return trivial * (1 + 1e-12) + 1e-9;
}

// The program of the members' bounds 0 and 1 and the first set, the whole part.
void load_program(const Part& part, SetProgram& program) {
  const int n = part.size();
  program.at.assign(static_cast<std::size_t>(part.nnode), {});
  for (int m = 0; m < n; ++m) {
    for (int v : part.nodes[m]) program.at[v].push_back(m);
  }
  program.count.assign(static_cast<std::size_t>(n), 0);
  program.lp.setLogLevel(0);
  std::vector<double> lower(static_cast<std::size_t>(n), 0.0),
      upper(static_cast<std::size_t>(n), 1.0);
  std::vector<double> objective(static_cast<std::size_t>(n));
  for (int m = 0; m < n; ++m) objective[m] = -part.weight[m];
  NodeSet all(static_cast<std::size_t>(part.nnode));
  std::iota(all.begin(), all.end(), 0);
  add_row(program.at, all, program.count, program.rows);
  const std::vector<double> row_lower(1, -COIN_DBL_MAX);
  Rows& rows = program.rows;
  program.lp.loadProblem(n, 0,
                         std::vector<CoinBigIndex>(static_cast<std::size_t>(n) + 1, 0).data(),
                         nullptr, nullptr, lower.data(), upper.data(), objective.data(), nullptr,
                         nullptr);
  program.lp.addRows(1, row_lower.data(), rows.rhs.data(), rows.start.data(), rows.member.data(),
                     rows.coef.data());
  program.idle.assign(1, 0);
}

// One solve within the budget: the primal simplex the first time, then the dual from the last
// basis.
void solve_round(SetProgram& program, Budget& budget, int n, bool first) {
  ClpSimplex& lp = program.lp;
  // A simplex step costs about the rows it updates; the solver prices the members in part
  // only, so a program of few rows and many members steps fast.
  const long long per_iteration = 32 * static_cast<long long>(lp.numberRows()) + n / 8 + 64;
  lp.setMaximumIterations(
      static_cast<int>(std::min<long long>(budget.left() / per_iteration + 1, 1 << 30)));
  if (first) {
    lp.primal();
  } else {
    lp.dual();
  }
  budget.spend(lp.numberIterations() * per_iteration +
               static_cast<long long>(program.rows.member.size()));
}

// The sets' prices y >= 0 of the solver's point.
std::vector<double> set_prices(const SetProgram& program) {
  const double* price = program.lp.getRowPrice();
  std::vector<double> y(program.rows.rhs.size(), 0.0);
  for (std::size_t r = 0; r < y.size(); ++r) y[r] = std::max(0.0, -price[r]);
  return y;
}

// Sets that have been slack for a few rounds leave a crowded program.
void drop_idle_sets(SetProgram& program, const std::vector<double>& y, int n) {
  Rows& rows = program.rows;
  const double* activity = program.lp.getRowActivity();
  std::vector<char> drop(rows.rhs.size(), 0);
  const bool crowded = static_cast<int>(rows.rhs.size()) > n;
  for (std::size_t r = 1; r < rows.rhs.size(); ++r) {
    program.idle[r] = y[r] == 0.0 && activity[r] < rows.rhs[r] - 1e-6 ? program.idle[r] + 1 : 0;
    drop[r] = crowded && program.idle[r] >= IDLE_ROUNDS;
  }
  drop_rows(program.lp, rows, program.idle, drop);
}

// The solver's point, each member's value within 0 and 1.
void take_point(const SetProgram& program, std::vector<double>& x) {
  const double* solution = program.lp.getColSolution();
  for (std::size_t m = 0; m < x.size(); ++m) x[m] = std::clamp(solution[m], 0.0, 1.0);
}

// The sets as rows of the program, here and in the solver.
void add_sets(const std::vector<NodeSet>& sets, SetProgram& program) {
  Rows& rows = program.rows;
  const std::size_t first_new = rows.rhs.size();
  program.idle.resize(first_new + sets.size(), 0);
  for (const NodeSet& s : sets) add_row(program.at, s, program.count, rows);
  const int added = static_cast<int>(rows.rhs.size() - first_new);
  std::vector<double> row_lower(static_cast<std::size_t>(added), -COIN_DBL_MAX);
  std::vector<CoinBigIndex> starts;
  for (std::size_t r = first_new; r <= rows.rhs.size(); ++r)
    starts.push_back(rows.start[r] - rows.start[first_new]);
  program.lp.addRows(added, row_lower.data(), rows.rhs.data() + first_new, starts.data(),
                     rows.member.data() + rows.start[first_new],
                     rows.coef.data() + rows.start[first_new]);
}

bool whole(double v) { return v <= 1e-9 || v >= 1.0 - 1e-9; }

// Where the search finished at a whole point: its selection, and whether it is loop-free.
void take_whole_point(const Part& part, const std::vector<double>& x, PartBound& out) {
  if (!std::all_of(x.begin(), x.end(), whole)) return;
  const int n = part.size();
  out.selection.resize(static_cast<std::size_t>(n));
  for (int m = 0; m < n; ++m) out.selection[m] = x[m] > 0.5 ? 1 : 0;
  UnionFind uf(part.nnode);
  out.integral = true;
  for (int m = 0; m < n && out.integral; ++m) {
    if (!out.selection[m]) continue;
    if (!uf.distinct(part.nodes[m])) out.integral = false;
    uf.merge_all(part.nodes[m]);
  }
}

// The sets to add: first those violated at a point between the program's point and the best
// selection known, nearer the former. The selection violates no set, so each of them is violated
// at the program's point too, and more deeply: they cut towards the selections and the bound
// falls in far fewer rounds. Only when there is none there, the sets violated at the point.
std::vector<NodeSet> sets_to_add(const Part& part, const std::vector<double>& x,
                                 const std::vector<char>& incumbent, Budget& budget) {
  if (!incumbent.empty()) {
    std::vector<double> between(x.size());
    for (std::size_t m = 0; m < x.size(); ++m) between[m] = 0.8 * x[m] + 0.2 * incumbent[m];
    std::vector<NodeSet> sets = violated_sets(part, between, budget, SETS_PER_ROUND);
    if (!sets.empty()) return sets;
  }
  return violated_sets(part, x, budget, SETS_PER_ROUND);
}

}  // namespace

double round_kept_bound(const Part& part, double kept) {
  if (part.unit == 0.0) return kept;
  return std::floor(kept / part.unit) * part.unit;
}

PartBound forest_bound(const Part& part, Budget& budget, double reached,
                       const std::vector<char>& incumbent) {
  PartBound out;
  const int n = part.size();
  out.kept = trivial_kept(part);
  out.reduced.assign(part.weight.begin(), part.weight.end());
  if (n == 0) {
    out.finished = out.integral = true;
    return out;
  }
  SetProgram program;
  load_program(part, program);
  std::vector<double> reduced, x(static_cast<std::size_t>(n));
  for (bool first = true; !budget.spent(); first = false) {
    solve_round(program, budget, n, first);
    ++out.rounds;
    const std::vector<double> y = set_prices(program);
    const double bound = priced_bound(part, program.rows, y, reduced);
    if (bound < out.kept) {
      out.kept = bound;
      out.reduced = reduced;
    }
    if (program.lp.status() != 0) break;  // cut short, or the solver in trouble: the bound stands
    if (part.unit != 0.0 && round_kept_bound(part, out.kept) <= reached) break;
    drop_idle_sets(program, y, n);
    take_point(program, x);
    const std::vector<NodeSet> sets = sets_to_add(part, x, incumbent, budget);
    if (sets.empty()) {
      out.finished = !budget.spent();
      break;
    }
    add_sets(sets, program);
  }
  out.rows = static_cast<int>(program.rows.rhs.size());
  if (out.finished) take_whole_point(part, x, out);
  return out;
}

}  // namespace loopcut
