#pragma once
#include <vector>

#include "common/label.hpp"
#include "common/par.hpp"
#include "common/table.hpp"

namespace loopcut {

// Node numbers of the loop graph: sibship numbers 1 .. nsib, then leaf nodes nsib+1 .. nsib+nleaf.
// Both counts are bounded by the rows of a pedigree, so twice N_SIZE always suffices.
inline constexpr int MAX_NODES = 2 * N_SIZE;

// The optimiser's whole state, allocated once at full capacity before any input is read and
// handed by reference to the driver and every routine.
//
// All tables are 1-based, as the identifiers, rows and star numbers they hold: entry 0 of every
// column is unused. Identifiers are rows: the record with identifier P stands in row P as read,
// and a parent's identifier is the row of the parent's record.
struct WorkArea {
  WorkArea();

  // Counters.
  int ndat = 0;      // records read from the pedigree file
  int nend = 0;      // row of the last surviving record of the current pedigree
  int nsib = 0;      // sibship numbers in use in the current pedigree
  int nsel = 0;      // length of the selection list sel
  int max_spou = 0;  // largest number of mates of a surviving record
  int nstar = 0;     // stars of the current pedigree
  int nleaf = 0;     // leaf nodes of the current pedigree's star rows (nodes nsib+1 .. nsib+nleaf)

  // Record columns, rows 1 .. N_SIZE. `ped` holds the pedigree number as read, then the
  // sibship number once the pedigree has been processed. `weight` never moves: the weight of the
  // record standing in row i is weight[id[i]].
  std::vector<int> ped, id, fa, mo, sex;
  std::vector<float> weight;
  std::vector<Label> kod;

  // Mates table of the current pedigree: row = position within the pedigree (row - fam(ip+1)),
  // column 1 = number of mates, columns 2 .. count+1 = the mates' identifiers.
  Table<int> spou;

  // Pedigree table: fam[1] = nfam, fam[k+2] = last row of pedigree k, fam[2] = 0.
  std::vector<int> fam;

  // Star-size index (words 1 .. M_STAR) and star list (word M_STAR + t = row of star t's centre).
  std::vector<int> st;

  // Star rows (columns 1 .. M_STAR), the step table (column M_STAR + 1) and the selection list
  // (column M_STAR + 2), N_SIZE rows.
  Table<int> con;
  int& step_star(int t) { return con(t, M_STAR + 1); }
  int& sel(int k) { return con(k, M_STAR + 2); }
  int step_star(int t) const { return con(t, M_STAR + 1); }
  int sel(int k) const { return con(k, M_STAR + 2); }

  // Pedigree numbers.
  int nfam() const { return fam[1]; }

  // Local tables of the routines: they live for the whole run but carry nothing from one call
  // to the next.

  // Children of each parent of the pedigree being handled, in ascending row order: the first
  // child row of the parent with identifier P (at position P - i0) as father and as mother, and
  // for each child (at its position) the next child of the same father and of the same mother;
  // 0 ends a list.
  std::vector<int> first_child_as_father, first_child_as_mother;
  std::vector<int> next_child_of_father, next_child_of_mother;

  // sow_tree: per sibship number, 0 = open, 1 = settled; and the dense number that replaces
  // each surviving sibship number. The members of sibship k as structure numbered them, in
  // ascending row order: member_row[member_start[k] .. member_start[k + 1] - 1].
  std::vector<int> luk_sow, renum;
  std::vector<int> member_start, member_row;
  // star: per position in the pedigree, 1 = not available as a centre; the candidate centres'
  // rows, sorted into star order.
  std::vector<int> luk_star;
  std::vector<int> star_rows;
  // optimal: per star, 1 = kept.
  std::vector<int> kept;

  // optimal's step search. Per reached step b (a base): its parent base b - size(step_star(b)),
  // and for each size j the first star of size j that extends it without a loop (0 = none).
  std::vector<int> first_fit;  // (N_SIZE + 1) rows of M_STAR + 1 words, row b, word j
  int& fit(int b, int j) { return first_fit[static_cast<std::size_t>(b) * (M_STAR + 1) + j]; }
  // The costs of the base's selection summed, and the smallest unit in the last place among
  // them: together they tell whether a total can be summed in any order with the same result.
  std::vector<double> chain_sum, chain_unit;
  // A union-find over the nodes that can be undone: the selection of the base on top of
  // `path_base` is what it holds. Per node its parent and, for a root, its group's size; each
  // merge logged (the root attached, the root kept, that root's size before) to be undone.
  std::vector<int> uf_parent, uf_size, uf_stamp;
  std::vector<int> merge_attached, merge_root, merge_size;
  int nmerge = 0;
  // The bases whose stars are merged, root (base 0) first, with the merge count before each;
  // per base, 1 = on that path. Scratch for the bases to be merged next.
  std::vector<int> path_base, path_merges, on_path, path_todo;
  int npath = 0;
  int stamp_now = 0;
};

}  // namespace loopcut
