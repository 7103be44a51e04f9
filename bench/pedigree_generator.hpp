#pragma once
#include <cstdint>
#include <string>

namespace loopcut::bench {

// Deterministic generator of loop-rich pedigrees that look like an isolated population or a herd
// over many generations: few founders, mates chosen among a small set of recent individuals of
// the other sex (so relatives mate), mothers that change mates, a few immigrant founders and a
// few records with one known parent.
struct GeneratorOptions {
  int records = 1000;
  int pedigrees = 1;           // records are spread over this many pedigrees
  std::uint64_t seed = 1;
  int founders_percent = 6;    // founders at the start of each pedigree
  int immigrant_percent = 2;   // later founders
  int new_mate_percent = 25;   // a mother takes a new mate rather than her last one
  int one_parent_percent = 2;  // records with one known parent
  int mate_window = 30;        // mates come from the last this-many individuals of the other sex
  int parent_window = 60;      // mothers come from the last this-many females
  int marry_in_permille = 0;   // a child's father is a founder from outside (fewer loops)
  // Artificial insemination: the first ai_sires male founders of each pedigree sire this share
  // of the children (the mother chosen as usual), the first of them ai_top_percent of those.
  int ai_sires = 0;
  int ai_percent = 0;
  int ai_top_percent = 0;
  enum class Weights { varied, equal, with_zeros } weights = Weights::varied;
};

struct GeneratedFiles {
  std::string pedigree;  // pedigree file: header, then "ped id fa mo sex label" records
  std::string weights;   // weight file: "id weight" per record
  std::string rrr;       // relationship values for the weight preparation
  std::string list;      // a list file of star numbers
  int records = 0;
};

GeneratedFiles generate_pedigree(const GeneratorOptions& options);

}  // namespace loopcut::bench
