#pragma once
// The star lookups of the weight preparation as plain scans: the reference for its indexes.
#include "cost_prep/cost_prep.hpp"

namespace loopcut::reference {

// The first of records 1 .. m whose star number is `star`, 0 when none.
int record_of(int star, const StarTable& stars);
// Whether one of list entries 1 .. l is `star`.
bool on_list(int star, const StarList& list);

}  // namespace loopcut::reference
