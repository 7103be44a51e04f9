#pragma once
// GEDCOM: individuals from the INDI records, parents from the FAM records, every record kept
// verbatim; the cut pedigree written back record for record, only the links that move changed.
#include <string>

#include "ped_prep/formats/naming.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Reads a GEDCOM file; malformed lines and records become entries of `problems`. A CHIL, HUSB,
// WIFE, FAMC or FAMS line that names no record is read as absent, with a note; with `strict`
// each such line is a problem.
PedigreeInput read_gedcom(const std::string& file, bool strict = false);

// Writes the cut pedigree, its records named by `ids`, as GEDCOM (see gedcom_write.cpp).
void write_gedcom(const PedigreeInput& in, const Prepared& prepared, const Identities& ids,
                  const std::string& output);

}  // namespace loopcut::prep
