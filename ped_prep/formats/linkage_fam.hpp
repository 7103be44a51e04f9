#pragma once
// The two column formats, pre-makeped LINKAGE and PLINK .fam: per line family, individual,
// father, mother, sex, then further columns carried along unchanged. They share their reader
// and their writer.
#include <string>

#include "ped_prep/genotypes/locus_layout.hpp"
#include "ped_prep/formats/naming.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Readers; malformed lines become entries of `problems`. With a data file's `layout`, a LINKAGE
// record whose further columns are not the ones it describes is one too.
PedigreeInput read_linkage(const std::string& file, const DataLayout* layout = nullptr);
PedigreeInput read_fam(const std::string& file);

// linkage/fam: adds a founder record for every parent that is named without a record of its
// own (sex by its role, further columns unknown), after the records of the input. Names that
// look like a missing-parent code of another program (x, -9, ., NA) are not added.
void add_missing_parents(PedigreeInput& in);

// The record of a linkage/fam person as a line of the file: its own line, or for an added
// parent one made in the same layout.
std::string record_line(const PedigreeInput& in, const Person& p);

// Writes the cut pedigree, its records named by `ids`: every line of the input in its place, a
// record rewritten only where its parents changed; added parents and then the copies follow the
// last record of their family.
void write_linkage_fam(const PedigreeInput& in, const Prepared& prepared, const Identities& ids,
                       const std::string& output);

}  // namespace loopcut::prep
