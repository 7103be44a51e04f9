#pragma once
#include <vector>

#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// What one pedigree of the chain asks of a run.
struct PedigreeLoad {
  long rows = 0;
  // Distinct (parent, mate) pairs, an unknown mate counted as one: a breaker makes at most one
  // copy per mate, so this bounds the copies of the pedigree.
  long couples = 0;
  int most_mates = 0;  // of one individual
};

// Consecutive pedigrees of the chain that go through one run of it together; their rows are
// consecutive too.
struct Batch {
  int first_pedigree = 0;  // from 0
  int pedigrees = 0;
  long first_row = 0;  // rows of the batches before it
  long rows = 0;
};

struct BatchLimits {
  // Records with room for copies, and pedigrees, that one run can number in its fixed formats.
  long numbered = 0;
  // The most records a batch takes (a pedigree larger than this goes alone); 0 for no limit.
  long most_rows = 0;
};

// The load of each pedigree of `chain`, by pedigree number - 1.
std::vector<PedigreeLoad> pedigree_loads(const Prepared& chain);

// The pedigrees in input order, cut into batches: a batch closes before a pedigree that would
// take it past `numbered` or `most_rows`. A pedigree that alone passes a limit still gets a batch
// of its own: whether it can run is for the ceilings to say. The plan depends on nothing but the
// pedigrees and the limits, so that a run gives the same files on any machine.
std::vector<Batch> plan_batches(const std::vector<PedigreeLoad>& loads, const BatchLimits& limits);

// What the largest batch needs of each ceiling: records with room for copies and a spare
// identifier, pedigrees (with the two spare entries of the pedigree table), stars, and mates of
// one individual (with the two spare columns).
struct BatchNeeds {
  long rows = 0;
  long pedigrees = 0;
  long stars = 0;
  long mates = 0;
};
BatchNeeds batch_needs(const std::vector<PedigreeLoad>& loads, const std::vector<Batch>& batches);

}  // namespace loopcut::prep
