#include "ped_prep/chain/batches.hpp"

#include "ped_prep/pipeline/select.hpp"

#include <algorithm>
#include <utility>

namespace loopcut::prep {

std::vector<PedigreeLoad> pedigree_loads(const Prepared& chain) {
  std::vector<PedigreeLoad> loads(static_cast<std::size_t>(chain.pedigrees));
  for (const ChainRow& row : chain.rows) ++loads[static_cast<std::size_t>(row.ped - 1)].rows;
  const std::vector<std::pair<int, int>> couples = distinct_couples(chain);
  for (std::size_t i = 0; i < couples.size();) {
    std::size_t j = i;
    while (j < couples.size() && couples[j].first == couples[i].first) ++j;
    PedigreeLoad& load = loads[static_cast<std::size_t>(chain.rows[couples[i].first - 1].ped - 1)];
    load.couples += static_cast<long>(j - i);
    load.most_mates = std::max(load.most_mates, static_cast<int>(j - i));
    i = j;
  }
  return loads;
}

std::vector<Batch> plan_batches(const std::vector<PedigreeLoad>& loads, const BatchLimits& limits) {
  std::vector<Batch> batches;
  Batch open;
  long room_needed = 0;  // the open batch's rows and room for copies
  auto close = [&]() {
    if (open.pedigrees > 0) batches.push_back(open);
    open = Batch{open.first_pedigree + open.pedigrees, 0, open.first_row + open.rows, 0};
    room_needed = 0;
  };
  for (const PedigreeLoad& load : loads) {
    const long room = load.rows + load.couples;
    const bool past_format =
        room_needed + room + 1 > limits.numbered || open.pedigrees + 1 + 2 > limits.numbered;
    const bool past_most = limits.most_rows > 0 && open.rows + load.rows > limits.most_rows;
    if (open.pedigrees > 0 && (past_format || past_most)) close();
    ++open.pedigrees;
    open.rows += load.rows;
    room_needed += room;
  }
  close();
  return batches;
}

BatchNeeds batch_needs(const std::vector<PedigreeLoad>& loads, const std::vector<Batch>& batches) {
  BatchNeeds needs;
  for (const Batch& b : batches) {
    long couples = 0;
    for (int p = b.first_pedigree; p < b.first_pedigree + b.pedigrees; ++p) {
      const PedigreeLoad& load = loads[static_cast<std::size_t>(p)];
      couples += load.couples;
      needs.mates = std::max(needs.mates, static_cast<long>(load.most_mates) + 2);
    }
    needs.rows = std::max(needs.rows, b.rows + couples + 1);
    needs.pedigrees = std::max(needs.pedigrees, static_cast<long>(b.pedigrees) + 2);
    needs.stars = std::max(needs.stars, b.rows);
  }
  return needs;
}

}  // namespace loopcut::prep
