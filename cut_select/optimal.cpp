#include "common/errors.hpp"
#include "common/fixed_format.hpp"
#include "common/free_writer.hpp"
#include "cut_select/cut_select.hpp"

namespace loopcut {

namespace {

int size_of(const WorkArea& w, int s) { return w.con(s, 2); }

int centre_row(const WorkArea& w, int s) { return w.st[M_STAR + s]; }

float cost_of(const WorkArea& w, int s) { return w.weight[w.id[centre_row(w, s)]]; }

// step_star(t) names the star added last to the best selection of total size t; 0 marks a step
// that no selection reached. Step 0, the empty selection, is always reached.
bool reached(const WorkArea& w, int t) { return t == 0 || w.step_star(t) != 0; }

// Rebuilds into sel(1 .. n) the best selection of total size t - d by following step_star down
// to step 0, and returns n. Walks start only from reached steps, which always end at 0.
int walk_chain(WorkArea& w, int t, int d) {
  int n = 0;
  for (;;) {
    const int iistep = t - d;
    if (iistep == 0) return n;
    if (iistep < 0) stop_with_output_line((FreeLine() << "ERROR: iistep<0").str());
    const int x = w.step_star(iistep);
    ++n;
    w.sel(n) = x;
    d += size_of(w, x);
  }
}

bool in_selection(const WorkArea& w, int n, int s) {
  for (int k = 1; k <= n; ++k) {
    if (w.sel(k) == s) return true;
  }
  return false;
}

// The first star of size j, in number order, that is not in sel(1 .. n) and closes no loop
// beside it; 0 when none.
int first_fitting_star(WorkArea& w, int t, int j, int n) {
  for (int s = w.st[j + 1] + 1; s <= w.st[j + 2]; ++s) {
    if (in_selection(w, n, s)) continue;
    w.sel(n + 1) = s;
    w.nsel = n + 1;
    int nlink = 0;
    int ngroup = 0;
    connect(w, nlink, ngroup);
    if (nlink >= t) return s;
  }
  return 0;
}

// The new star's cost first, then the selection's in list order, summed in double.
double total_cost(const WorkArea& w, int s, int n) {
  double total = cost_of(w, s);
  for (int k = 1; k <= n; ++k) total += cost_of(w, w.sel(k));
  return total;
}

// Searches step t: each size j extends the best selection of total size t - j by its first
// fitting star; the largest total wins, a later size on an equal total. Returns the winning
// star (0 when no size offers one) and its total.
int search_step(WorkArea& w, int t, float& best) {
  best = 0.0f;
  int best_star = 0;
  const int top = t < w.max_spou ? t : w.max_spou;
  for (int j = 1; j <= top; ++j) {
    if (!reached(w, t - j)) continue;
    const int n = walk_chain(w, t, j);
    const int s = first_fitting_star(w, t, j, n);
    if (s == 0) continue;
    const double total = total_cost(w, s, n);
    if (!(best > total)) {
      best = static_cast<float>(total);
      best_star = s;
    }
  }
  return best_star;
}

// Fills step_star for t = 1, 2, ... and returns the last step reached (0 when none).
//
// Step 1 is star 1 alone when star 1 has one mate. The search then ends at the first step that
// finds nothing: every base below it is reached. Without a star of one mate, step 1 and perhaps
// later steps stay unreached; the search goes on past them and ends once max_spou consecutive
// steps are unreached, since from then on every base would be unreached.
int search_steps(WorkArea& w) {
  const bool from_star_one = size_of(w, 1) == 1;
  w.step_star(1) = from_star_one ? 1 : 0;
  int last_reached = from_star_one ? 1 : 0;
  int unreached_run = from_star_one ? 0 : 1;
  // A selection of total size t that closes no loop touches t + 1 distinct nodes, and a
  // pedigree has fewer than N_SIZE nodes, so no step beyond the step table can be reached.
  for (int t = 2; t <= N_SIZE; ++t) {
    if (!from_star_one && unreached_run >= w.max_spou) break;
    float best = 0.0f;
    const int best_star = search_step(w, t, best);
    w.step_star(t) = best_star;
    if (best_star == 0) {
      if (from_star_one) break;
      ++unreached_run;
      continue;
    }
    print(FreeLine() << "STEP=" << t << " STAR=" << best_star << " COST=" << best);
    last_reached = t;
    unreached_run = 0;
  }
  return last_reached;
}

// Writes the report line of every star not in the kept selection sel(1 .. n), in star order.
void report_cut_stars(WorkArea& w, int n, OutputFile& res) {
  for (int s = 1; s <= w.nstar; ++s) w.kept[s] = 0;
  for (int k = 1; k <= n; ++k) w.kept[w.sel(k)] = 1;
  for (int s = 1; s <= w.nstar; ++s) {
    if (w.kept[s] != 0) continue;
    const int c = centre_row(w, s);
    res.line(report_line(w.id[c], w.kod[c]));
  }
}

}  // namespace

// Keeps the heaviest loop-free selection of stars that the step search reaches and reports the
// others to res.dat.
void optimal(WorkArea& w, int ip, OutputFile& res) {
  (void)ip;
  if (w.nstar == 0) return;
  const int last = search_steps(w);
  const int n = last == 0 ? 0 : walk_chain(w, last, 0);
  w.nsel = n;
  report_cut_stars(w, n, res);
}

}  // namespace loopcut
