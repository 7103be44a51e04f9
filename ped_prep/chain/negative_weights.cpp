#include "ped_prep/chain/negative_weights.hpp"

#include <utility>

#include "common/files.hpp"
#include "common/free_reader.hpp"
#include "common/free_writer.hpp"

namespace loopcut::prep {

std::vector<int> zero_negative_weights(const std::string& file) {
  std::vector<std::pair<int, float>> weights;
  {
    std::ifstream in = open_input(file);
    FreeReader r(in, file);
    int star = 0;
    while (r.try_int(star, "star number")) {
      weights.emplace_back(star, r.read_real("weight"));
      r.end_read();
    }
  }
  std::vector<int> changed;
  for (auto& [star, weight] : weights) {
    if (weight < 0.0f) {
      weight = 0.0f;
      changed.push_back(star);
    }
  }
  if (changed.empty()) return changed;
  OutputFile out(file, OutputFile::Mode::replace_when_done);
  for (const auto& [star, weight] : weights) out.line((FreeLine() << star << weight).str());
  out.commit();
  return changed;
}

}  // namespace loopcut::prep
