#pragma once
#include <string>

#include "ped_prep/pedigree_input.hpp"
#include "ped_prep/prepare.hpp"

namespace loopcut::prep {

// File names inside a prepared directory.
inline constexpr const char* PEDIGREE_FILE = "pedigree.ped";
inline constexpr const char* WEIGHT_FILE = "unit.w";
inline constexpr const char* CUT_FILE = "pedigree.cut";
inline constexpr const char* TASK_FILE = "task.inp";
inline constexpr const char* LABEL_MAP = "labels.tsv";
inline constexpr const char* COLUMNS_FILE = "columns.tsv";

// Writes the pedigree file of the chain.
void write_pedigree_file(const Prepared& p, const std::string& path);
// Writes a weight file with the weight 1.0 for every record.
void write_unit_weights(const Prepared& p, const std::string& path);
// Writes the task file naming the pedigree, weight and cut files.
void write_task_file(const std::string& path, const std::string& weights);
// Writes the label map: label, original family and identifier, and what ped_prep did to it.
void write_label_map(const PedigreeInput& in, const Prepared& p, const std::string& path);
// Writes the further columns of a linkage or fam input per label; false when there are none.
bool write_columns(const PedigreeInput& in, const Prepared& p, const std::string& path);

// Creates the directory (and its parents) if needed; an error naming it otherwise.
void make_directory(const std::string& dir);

// A directory for the chain's files that holds nothing else: `dir` when it is new or empty,
// otherwise a new folder inside it (DIR/ped_prep-1, -2, ...), so that none of the user's
// files is replaced by one of the chain's. Returns the directory made.
std::string make_fresh_directory(const std::string& dir);

// Makes `dir` for the chain's files; an error when it already holds something, which a file of
// the chain would replace.
void make_empty_directory(const std::string& dir);

// An error when an output would replace one of the inputs (the same file under any name).
void refuse_overwriting(const std::vector<std::string>& inputs,
                        const std::vector<std::string>& outputs);

}  // namespace loopcut::prep
