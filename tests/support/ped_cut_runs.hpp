#pragma once
// Small ped_cut runs for the end-to-end tests: the input files written from strings, and the
// exact lines the cutter writes.
#include <string>

#include "support/run_program.hpp"

namespace loopcut::testing {

inline const std::string HEADER = " ped id fa mo sex prob kod\n";
inline const std::string READING = " READING of initial data\n";

// One line of the cut pedigree file: the six integer columns as written, then the label padded
// to 20 characters.
inline std::string row(const std::string& integers, const std::string& label) {
  std::string l = label;
  l.resize(20, ' ');
  return integers + "  " + l + "\n";
}

// A report line as the optimiser writes it: identifier in columns 1-6, label in 10-29.
inline std::string report_line(const std::string& id, const std::string& label) {
  std::string line = std::string(6 - id.size(), ' ') + id + "   " + label;
  line.resize(29, ' ');
  return line;
}

// Runs ped_cut on the records (after a header line), the report and the weight file.
inline RunResult cut(const WorkDir& dir, const std::string& pedigree, const std::string& report,
                     const std::string& weights = "") {
  dir.write("task.inp", "family.ped\nweights.dat\ncut.ped\n");
  dir.write("family.ped", "ped id fa mo sex kod\n" + pedigree);
  dir.write("res.dat", report);
  dir.write("weights.dat", weights);
  return dir.run("ped_cut");
}

}  // namespace loopcut::testing
