#pragma once
#include <string>
#include <vector>

#include "common/label.hpp"

namespace loopcut {

// The optimiser's view of one pedigree, for programs that choose the cut another way: its
// stars in star order, each with the loop-graph nodes it joins.
struct ModelStar {
  int id = 0;         // identifier (row) of the centre individual
  Label kod{};        // the centre's label
  float weight = 0;   // the centre's weight, the cost of cutting the star
  // The centre node first, then one marriage node per mate, in the order of the star row.
  std::vector<int> nodes;
};

struct StarModel {
  int nnode = 0;  // nodes are numbered 1 .. nnode
  std::vector<ModelStar> stars;  // star t is stars[t - 1]
};

// Loads the pedigree and weight files as cut_select does (with its checks and stops) and builds
// every pedigree's stars with cut_select's own routines; one model per pedigree, in order.
std::vector<StarModel> build_star_models(const std::string& pedigree_file,
                                         const std::string& weight_file);

}  // namespace loopcut
