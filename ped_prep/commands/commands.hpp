#pragma once
#include <optional>
#include <string>
#include <vector>

#include "ped_prep/commands/read_checked_input.hpp"
#include "ped_prep/pipeline/pedigree.hpp"

namespace loopcut::prep {

// Exit statuses of ped_prep.
inline constexpr int DONE = 0;
inline constexpr int REFUSED = 1;
inline constexpr int USAGE = 2;

// import takes only the options of reading.
using ImportOptions = ReadOptions;

struct RunOptions : ReadOptions {
  std::string weights;    // relationship values, empty for unit weights
  std::string doubled;    // identifiers whose weights count double
  std::string transform = "linear";  // linear, sqrt or log: which weight file of cost_prep
  std::string work;       // keep the chain's files in this directory
  bool all = false;       // show every pedigree in the summary table
  std::string bin_dir;    // where the chain programs are; empty: beside ped_prep
  bool improve = true;    // run cut_improve between cut_select and ped_cut (not: --no-improve)
  std::string improve_seconds;  // its time budget; empty: its own default
  int jobs = 1;                 // batches of pedigrees run at once
  long batch_records = 0;       // the most records of a batch; 0: as many as the chain can number
  std::optional<Format> to;     // the format written, when not the input's (--to)
};

struct DrawOptions {
  std::optional<int> pedigree;  // one pedigree of the file, by its number
};

int import_command(Format format, const std::string& input, const std::string& dir,
                   const ImportOptions& options);
int check_command(const std::string& pedfile, const std::string& cutfile, bool all);
int run_command(Format format, const std::string& input, const std::string& output,
                const RunOptions& options);
int draw_command(const std::string& pedfile, const std::string& cutfile, const std::string& output,
                 const DrawOptions& options);

// The text of ped_prep --help (help.cpp).
extern const char* const HELP_TEXT;

// The whole command line; returns the exit status.
int ped_prep_main(const std::vector<std::string>& args);

}  // namespace loopcut::prep
