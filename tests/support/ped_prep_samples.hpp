#pragma once
// Small pedigrees that several of ped_prep's test files run.
namespace loopcut::testing {

// Family A: the cousins 7 and 8 have a child 9; 8 knows only its mother 4, so the loop runs
// through a mother of a one-parent record. Family B uses the same identifiers for a marriage of
// half sibs. Each line carries an affection status and two marker columns.
inline constexpr const char* LINKAGE_TWO_FAMILIES =
    "A 1 0 0 1 1 1 2\n"
    "A 2 0 0 2 1 1 1\n"
    "A 3 1 2 1 1 2 2\n"
    "A 4 1 2 2 2 1 2\n"
    "A 5 0 0 2 1 1 1\n"
    "A 7 3 5 1 1 1 2\n"
    "A 8 0 4 2 2 2 2\n"
    "A 9 7 8 1 2 1 2\n"
    "B 1 0 0 1 1 1 1\n"
    "B 2 0 0 2 1 1 1\n"
    "B 3 0 0 2 1 1 1\n"
    "B 4 1 2 1 1 1 1\n"
    "B 5 1 3 2 1 1 1\n"
    "B 6 4 5 0 2 1 1\n";

// A sib mating: 5 is the child of the sibs 3 and 4.
inline constexpr const char* SIBMATE = "1 1 0 0 1\n1 2 0 0 2\n1 3 1 2 1\n1 4 1 2 2\n1 5 3 4 1\n";

}  // namespace loopcut::testing
