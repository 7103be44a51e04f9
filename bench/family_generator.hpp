#pragma once
#include <cstdint>
#include <vector>

#include "bench/marker_generator.hpp"

namespace loopcut::bench {

// Deterministic consanguineous families: a few founder couples, then generation by generation
// their children, who marry spouses from outside, or one another. A marriage between relatives
// (first cousins, double first cousins, brothers and sisters of one family marrying those of
// another) closes a loop; there are exactly `loops` of them. Some individuals marry twice.
struct FamilyOptions {
  int people = 100;  // about this many individuals: the last couples each still have a child
  int loops = 4;
  std::uint64_t seed = 1;
  int second_marriage_percent = 15;  // of those who marry from outside
};

// Records numbered 1, 2, ... in the order made (parents first); an individual's pedigree is
// the numbered part of the family it is linked to, so a founder family that nobody married
// into stands as a pedigree of its own. `loops` is the loops made (edges - nodes + parts of
// the graph of individuals and couples).
struct Family {
  std::vector<PedigreeRecord> records;
  int loops = 0;
};

// Throws std::runtime_error when the generations run out of relatives to marry before the
// loops asked for are made.
Family generate_family(const FamilyOptions& options);

}  // namespace loopcut::bench
