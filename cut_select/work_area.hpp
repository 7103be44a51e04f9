#pragma once
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "common/label.hpp"
#include "common/par.hpp"
#include "common/ragged_table.hpp"

namespace loopcut {

// The optimiser's whole state, handed by reference to the driver and every routine. Its tables
// grow with the input: the record columns with the records read, the tables of a pedigree with
// the largest pedigree met so far. The ceilings of par.hpp only decide where a run stops.
//
// All tables are 1-based, as the identifiers, rows and star numbers they hold: entry 0 of every
// column is unused. Identifiers are rows: the record with identifier P stands in row P as read,
// and a parent's identifier is the row of the parent's record.
struct WorkArea {
  // Counters.
  int ndat = 0;      // records read from the pedigree file
  int nend = 0;      // row of the last surviving record of the current pedigree
  int nsib = 0;      // sibship numbers in use in the current pedigree
  int nsel = 0;      // length of the selection list sel
  int max_spou = 0;  // largest number of mates of a surviving record
  int nstar = 0;     // stars of the current pedigree
  int nleaf = 0;     // leaf nodes of the current pedigree's star rows (nodes nsib+1 .. nsib+nleaf)

  // Record columns, rows 1 .. ndat. `ped` holds the pedigree number as read, then the sibship
  // number once the pedigree has been processed. `weight` never moves: the weight of the record
  // standing in row i is weight[id[i]].
  std::vector<int> ped, id, fa, mo, sex;
  std::vector<float> weight;
  std::vector<Label> kod;
  // Makes room for record rows 1 .. rows.
  void ensure_records(int rows);

  // Mates table of the current pedigree: row = position within the pedigree (row - fam(ip+1)),
  // column 1 = number of mates, columns 2 .. count+1 = the mates' identifiers. Each row is as
  // wide as its individual's list can grow (one column per child, at most the list's room).
  RaggedTable spou;

  // Pedigree table: fam[1] = nfam, fam[k+2] = last row of pedigree k, fam[2] = 0; entries
  // beyond fam[nfam+2] are 0.
  std::vector<int> fam;

  // Star-size index: st[1] = max_spou, st[2] = 0, st[2+s] = number of stars with at most s mates
  // (words 1 .. max_spou + 2).
  std::vector<int> st;
  // Star list: the row of star t's centre, t = 1 .. nstar.
  std::vector<int> star_centre;

  // Star rows, t = 1 .. nstar, each 2 + nm wide: column 1 the centre's sibship, column 2 its
  // number of mates nm, columns 3 .. 2 + nm the sibships of its offspring with each mate.
  RaggedTable con;
  // The step table (star added last to the best selection of total size t) and the selection
  // list; see size_search for their length.
  std::vector<int> step_table, sel_list;
  int& step_star(int t) { return step_table[static_cast<std::size_t>(t)]; }
  int& sel(int k) { return sel_list[static_cast<std::size_t>(k)]; }
  int step_star(int t) const { return step_table[static_cast<std::size_t>(t)]; }
  int sel(int k) const { return sel_list[static_cast<std::size_t>(k)]; }

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
  // structure: per position, the next child of the same father and the same mother (0 ends);
  // per mate position (0 for a missing mate), the individual that met it last and, while the
  // lists are built, the last child seen with it. Also star's first child with each mate.
  std::vector<int> next_full_sib, slot_stamp, slot_row;

  // sow_tree: per sibship number, 0 = open, 1 = settled; and the dense number that replaces
  // each surviving sibship number. The members of sibship k as structure numbered them, in
  // ascending row order: member_row[member_start[k] .. member_start[k + 1] - 1].
  std::vector<int> luk_sow, renum;
  std::vector<int> member_start, member_row;
  // sow_tree: the column of each mate in the long mates lists, by (position, mate), so that a
  // mate leaves a list of thousands without a scan.
  std::unordered_map<std::uint64_t, int> mate_column;
  std::vector<char> mates_indexed;
  // star: per position in the pedigree, 1 = not available as a centre; the candidate centres'
  // rows, sorted into star order.
  std::vector<int> luk_star;
  std::vector<int> star_rows;
  // optimal: per star, 1 = kept.
  std::vector<int> kept;

  // optimal's step search. The star sizes that occur, ascending, and each size's column
  // (0 for a size without stars). Per reached step b (a base): its parent base
  // b - size(step_star(b)), and for each size j the first star of size j that extends it
  // without a loop (0 = none). A base's row is read only by the steps up to max_spou after it,
  // so the rows are kept in a ring of max_spou + 1.
  std::vector<int> sizes, size_column;
  int fit_rows = 0;
  std::vector<int> first_fit;
  int& fit(int b, int j) {
    return first_fit[static_cast<std::size_t>(b % fit_rows) * sizes.size() +
                     static_cast<std::size_t>(size_column[static_cast<std::size_t>(j)] - 1)];
  }
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
  // The largest stars are watched, one bit each (watch_bit per star, -1 for none): per node the
  // bits of the watched stars that touch it, per root the bits of its group, each merge logging
  // the kept root's bits before it; the bits whose stars two merged groups both touched while
  // the last base's star was merged. A watched star that fitted the parent base fits the new
  // base unless its bit is among those.
  int mask_words = 0;
  std::vector<int> watch_bit;
  std::vector<std::uint64_t> node_mask, root_mask, merge_mask, push_conflicts;
};

// Makes v hold at least n entries, keeping what it holds; tables never shrink.
template <class T>
void ensure_size(std::vector<T>& v, std::size_t n) {
  if (v.size() < n) v.resize(n, T{});
}

// Sizes the tables of a pedigree of n rows: what structure, sow_tree and star use.
void size_pedigree_tables(WorkArea& w, int n);
// Sizes the step and selection tables for the stars that star left: the last step the search
// can reach, and the few beyond it that it looks at before it ends. Returns that last step
// bound.
int size_search(WorkArea& w);

}  // namespace loopcut
