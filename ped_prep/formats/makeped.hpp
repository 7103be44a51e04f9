#pragma once
// Post-makeped LINKAGE files, the form that the likelihood programs read: per line family,
// individual, father, mother, first offspring, next paternal sib, next maternal sib, sex,
// proband or loop number, then the phenotype columns. Reader and writer side by side.
#include <string>
#include <vector>

#include "ped_prep/genotypes/locus_layout.hpp"
#include "ped_prep/formats/naming.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Reads a post-makeped file. The pointer columns are checked against the parents; the rows that
// share a loop number (column 9 at 2 or more) are the copies of one individual and are joined
// back into it. Malformed records become entries of `problems`.
PedigreeInput read_makeped(const std::string& file, const DataLayout* layout = nullptr);

// Whether the record lines are those of a post-makeped file: nine or more integer columns whose
// pointer columns agree with the parents throughout, and some pointer set.
bool looks_post_makeped(const std::vector<std::string>& lines);

// The identifiers that a post-makeped file cannot carry: individuals and parents that are no
// whole numbers from 1 up. One problem per record, naming its line.
std::vector<std::string> makeped_identifier_problems(const PedigreeInput& in);

// Writes the cut pedigree post-makeped: the input's rows in their order, with the parents of the
// cut, the pointer columns and the loop numbers rewritten; each family's stand-in parents and
// breaker copies follow its last row, with new whole-number identifiers (`ids`).
void write_makeped(const PedigreeInput& in, const Prepared& prepared, const Identities& ids,
                   const std::string& output);

}  // namespace loopcut::prep
