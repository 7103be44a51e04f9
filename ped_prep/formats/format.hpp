#pragma once
// The one interface of the formats that the commands use: a file of any format read into the
// common pedigree model, and the cut pedigree written back in the input's own format with the
// copies. Each format's module (linkage_fam, gedcom, chain_format) holds its reader and writer.
#include <string>

#include "ped_prep/genotypes/locus_layout.hpp"
#include "ped_prep/formats/naming.hpp"
#include "ped_prep/pipeline/chain_records.hpp"
#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

namespace loopcut::prep {

// Parses a format name ("linkage", "fam", "gedcom", "chain"); false for an unknown name.
bool parse_format(const std::string& name, Format& format);
const char* format_name(Format format);

// Reads `file` in `format`. Throws InputError only when the file cannot be read at all;
// malformed records become entries of `problems`. `layout` (linkage only) describes the further
// columns that every record must have; `strict` (GEDCOM): a line naming no record is a problem,
// not a note.
PedigreeInput read_input(Format format, const std::string& file,
                         const DataLayout* layout = nullptr, bool strict = false);

// Writes the cut pedigree `cut`, its records named by `ids` (identify), back in the input's
// format. Stand-in parents are written only in the chain's own format. The side file
// OUTPUT.copies.tsv lists each copy, stand-in written and parent added by --add-missing-parents
// with its original ("-" for OUTPUT: the list goes to the error output). Returns the number of
// lines of the side file.
// `written`: the format written, the input's or makeped for a LINKAGE input.
int export_pedigree(const PedigreeInput& in, const Prepared& prepared, const ChainFile& cut,
                    Identities ids, const std::string& output, Format written);

// Writes OUTPUT.copies.tsv (or the list to the error output); returns its number of lines.
int write_side_file(const PedigreeInput& in, Identities ids, const std::string& output);

std::string copies_file_name(const std::string& output);

}  // namespace loopcut::prep
