#pragma once
#include <string>

#include "ped_prep/pipeline/pedigree.hpp"
#include "ped_prep/pipeline/prepared.hpp"

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

}  // namespace loopcut::prep
