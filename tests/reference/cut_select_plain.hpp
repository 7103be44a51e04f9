#pragma once
// The optimiser's per-pedigree routines as plain scans: every question about a pedigree is
// answered by scanning all of its rows (or all listed stars), in the order that decides ties.
// They work on the program's own work area and leave in it what the program's routines leave,
// so that the tests can run either on the same input and compare what is written.
#include "common/files.hpp"
#include "cut_select/work_area.hpp"

namespace loopcut::reference {

void structure(WorkArea& w, int ip);
void sow_tree(WorkArea& w, int ip);
void star(WorkArea& w, int ip);
// Runs the step search, asking connect after every trial.
void optimal(WorkArea& w, int ip, OutputFile& res);
// Counts the groups of the stars sel(1 .. nsel) and the links that stay once each group is
// reduced to a tree: nlink equals the stars' total size exactly when they close no loop.
void connect(WorkArea& w, int& nlink, int& ngroup);

}  // namespace loopcut::reference
