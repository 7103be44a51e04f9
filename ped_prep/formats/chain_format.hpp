#pragma once
// The chain's own pedigree file as a format: read into the common model (for check and repair),
// and the cut pedigree written back in it; and the plain reader and writer of its records.
#include <string>

#include "common/label.hpp"
#include "ped_prep/formats/naming.hpp"
#include "ped_prep/pipeline/chain_records.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Reads a pedigree file of the chain in either layout. Malformed input is an InputError: a
// file whose first line is a record (no header), a record not on one line of its own and,
// where `ids_are_rows`, an identifier that is not its row.
ChainFile read_chain_file(const std::string& file, bool ids_are_rows = true);

// The header line and record line of the input layout.
std::string chain_header();
std::string chain_line(int ped, int id, int fa, int mo, int sex, const Label& kod);

// A pedigree file of the chain as an input of ped_prep: identifiers are global numbers, and the
// label becomes the individual's name in the map.
PedigreeInput read_chain_input(const std::string& file);

// Writes the cut pedigree `cut` in the chain's own format, every record with the label of its
// input record.
void write_chain_output(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                        const Identities& ids, const std::string& output);

}  // namespace loopcut::prep
