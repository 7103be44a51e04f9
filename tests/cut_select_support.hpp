#pragma once
// Helpers for the optimiser's tests: small pedigrees loaded straight into a work area, or
// written as the files of a program run.
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/errors.hpp"
#include "cut_select/cut_select.hpp"
#include "support/run_program.hpp"

namespace loopcut::testing {

// One record; the identifier is the record's row in the file.
struct Rec {
  int ped;
  int fa;
  int mo;
  int sex;
  float weight = 1.0f;
  std::string kod = "";
};

// The work area is large: keep it off the stack.
inline std::unique_ptr<WorkArea> new_work_area() { return std::make_unique<WorkArea>(); }

// Loads the records into rows 1 .. n, their weights, and divides them into pedigrees.
inline void load(WorkArea& w, const std::vector<Rec>& recs) {
  w.ndat = static_cast<int>(recs.size());
  for (int i = 1; i <= w.ndat; ++i) {
    const Rec& r = recs[i - 1];
    w.ped[i] = r.ped;
    w.id[i] = i;
    w.fa[i] = r.fa;
    w.mo[i] = r.mo;
    w.sex[i] = r.sex;
    w.weight[i] = r.weight;
    w.kod[i] = make_label(r.kod.empty() ? "p" + std::to_string(i) : r.kod);
  }
  divide_pedigrees(w);
}

// Writes task.inp, the pedigree file and the weight file for a run of cut_select.
inline void write_inputs(const WorkDir& dir, const std::vector<Rec>& recs) {
  std::ostringstream p;
  std::ostringstream wt;
  p << "ped id fa mo sex kod\n";
  for (std::size_t k = 0; k < recs.size(); ++k) {
    const Rec& r = recs[k];
    const std::size_t id = k + 1;
    p << r.ped << ' ' << id << ' ' << r.fa << ' ' << r.mo << ' ' << r.sex << ' '
      << (r.kod.empty() ? "p" + std::to_string(id) : r.kod) << '\n';
    wt << id << ' ' << r.weight << '\n';
  }
  dir.write("task.inp", "peds.dat\nweights.dat\n");
  dir.write("peds.dat", p.str());
  dir.write("weights.dat", wt.str());
}

// The mates list at position j: its identifiers in list order.
inline std::vector<int> mates_of(WorkArea& w, int j) {
  std::vector<int> m;
  for (int c = 2; c <= w.spou(j, 1) + 1; ++c) m.push_back(w.spou(j, c));
  return m;
}

// Star t's row: centre node, size, marriage nodes.
inline std::vector<int> star_row(WorkArea& w, int t) {
  std::vector<int> r;
  for (int c = 1; c <= 2 + w.con(t, 2); ++c) r.push_back(w.con(t, c));
  return r;
}

// Runs a routine that is expected to stop; returns the stop's status and what it printed.
template <class F>
std::pair<int, std::string> stop_of(F&& f) {
  ::testing::internal::CaptureStdout();
  int status = -1;
  try {
    f();
  } catch (const Stop& s) {
    status = s.status;
  }
  return {status, ::testing::internal::GetCapturedStdout()};
}

}  // namespace loopcut::testing
