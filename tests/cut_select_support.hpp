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
  w.ensure_records(w.ndat);
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

// Founders 1, 2 (rows first_row, first_row + 1) with children C, D, H, K (the next four rows);
// C has a child with D (E) and one with H (G), K one with D (L). With `fatherless`, D and H
// also have a child each whose father is missing (the last two rows).
inline std::vector<Rec> four_sibs(int ped, int first_row, float wc, float wd, float wh, float wk,
                                  bool fatherless) {
  const int a = first_row;
  std::vector<Rec> r = {{ped, 0, 0, 1},          {ped, 0, 0, 2},          {ped, a, a + 1, 1, wc},
                        {ped, a, a + 1, 2, wd},  {ped, a, a + 1, 2, wh},  {ped, a, a + 1, 1, wk},
                        {ped, a + 2, a + 3, 1},  {ped, a + 2, a + 4, 2},  {ped, a + 5, a + 3, 1}};
  if (fatherless) {
    r.push_back({ped, 0, a + 3, 1});
    r.push_back({ped, 0, a + 4, 2});
  }
  const char* names[] = {"a", "b", "c", "d", "h", "k", "e", "g", "l", "z", "z2"};
  for (std::size_t k = 0; k < r.size(); ++k) r[k].kod = names[k];
  return r;
}

// A male founder (row first_row) with n founder mates and one child by each.
inline std::vector<Rec> founder_with_mates(int ped, int first_row, int n) {
  std::vector<Rec> r = {{ped, 0, 0, 1}};
  for (int k = 1; k <= n; ++k) r.push_back({ped, 0, 0, 2});
  for (int k = 1; k <= n; ++k) r.push_back({ped, first_row, first_row + k, 1});
  return r;
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
