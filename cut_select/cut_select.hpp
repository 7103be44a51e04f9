#pragma once
#include <string>

#include "common/files.hpp"
#include "cut_select/work_area.hpp"

namespace loopcut {

// The whole run in the working directory: task.inp, the pedigree and weight files in, res.dat
// and the step lines out.
void run_cut_select();

// The optimiser's steps, in the order its main sequence runs them.

// Loads the pedigree file into the record columns and sets ndat (records beyond the record
// ceiling are counted, not stored).
void load_pedigree(WorkArea& w, const std::string& file_name);
// Stops with "ndat>N_SIZE:" when the file holds more records than the record ceiling.
void check_record_capacity(const WorkArea& w);
// Reads exactly ndat weight records; record i gives weight[i].
void load_weights(WorkArea& w, const std::string& file_name);
// Divides the rows into pedigrees by the running-number rule and fills fam.
void divide_pedigrees(WorkArea& w);
// Refuses records whose identifiers or parents the later steps cannot use as rows.
void check_records(const WorkArea& w);

// Per pedigree ip = 1 .. nfam.
void structure(WorkArea& w, int ip);
void sow_tree(WorkArea& w, int ip);
void star(WorkArea& w, int ip);
void optimal(WorkArea& w, int ip, OutputFile& res);

// For structure and star: lists the children of rows i0 + 1 .. last_row by parent. Parents
// with identifiers i0 + 1 .. last_id get lists, in ascending row order; other parent values
// (0, or outside the pedigree, which check_records refuses) get none.
void list_children(WorkArea& w, int i0, int last_row, int last_id);

// The slot of a mate among the positions of the pedigree whose rows follow i0: its position,
// 0 for a missing mate, -1 for an identifier past last_id (outside the pedigree, refused by
// check_records; such a mate is found by a walk of the list or of the children instead).
inline int mate_slot(int mate, int i0, int last_id) {
  if (mate > i0 && mate <= last_id) return mate - i0;
  return mate == 0 ? 0 : -1;
}

// Pieces of sow_tree and optimal that the plain versions kept in the tests share.
// Moves the surviving records (ped not 0) of rows i0 + 1 .. last to the front, in order; sets
// nend and max_spou. The weights stay in their rows.
void compact_survivors(WorkArea& w, int i0, int last);
// Numbers the sibships of rows first .. nend 1, 2, 3, ... in the order of their old numbers.
void renumber_sibships(WorkArea& w, int first);
// Writes the report line of every star not in the kept selection sel(1 .. n), in star order.
void report_cut_stars(WorkArea& w, int n, OutputFile& res);

}  // namespace loopcut
