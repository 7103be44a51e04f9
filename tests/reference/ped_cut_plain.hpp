#pragma once
// The cutter's stages written as plain scans of the whole table, as the program had them before
// they were given indexes: the reference the program's stages are held to.
#include "ped_cut/ped_cut.hpp"

namespace loopcut::reference {

// The row of the breaker of entry k: row n_cut when it is a read row carrying the entry's label,
// else the first read row with that label (searched in row order), else 0.
int find_breaker(const CutTables& t, int k);
// find_breaker for every entry, into brk.
void find_breakers(CutTables& t);
// The first entry whose n_cut is `star` (searched in entry order), 0 when none.
int entry_of_star(const CutTables& t, int star);

void cut_breakers(CutTables& t);
int split(CutTables& t);
void rejoin(CutTables& t);
void rewrite(CutTables& t, int nped);

}  // namespace loopcut::reference
