#include "cut_select/star_model.hpp"

#include <memory>

#include "cut_select/cut_select.hpp"

namespace loopcut {

namespace {

// Star t as star() left it in the work area.
ModelStar model_star(const WorkArea& w, int t) {
  ModelStar s;
  const int c = w.star_centre[t];
  s.id = w.id[c];
  s.kod = w.kod[c];
  s.weight = w.weight[w.id[c]];
  const int size = w.con(t, 2);
  s.nodes.reserve(static_cast<std::size_t>(size) + 1);
  s.nodes.push_back(w.con(t, 1));
  for (int k = 1; k <= size; ++k) s.nodes.push_back(w.con(t, 2 + k));
  return s;
}

}  // namespace

// The only place outside cut_select that reads its work area.
std::vector<StarModel> build_star_models(const std::string& pedigree_file,
                                         const std::string& weight_file) {
  auto w = std::make_unique<WorkArea>();
  load_pedigree(*w, pedigree_file);
  check_record_capacity(*w);
  load_weights(*w, weight_file);
  divide_pedigrees(*w);
  check_records(*w);
  std::vector<StarModel> models;
  const int nfam = w->nfam();
  models.reserve(static_cast<std::size_t>(nfam));
  for (int ip = 1; ip <= nfam; ++ip) {
    structure(*w, ip);
    sow_tree(*w, ip);
    star(*w, ip);
    StarModel m;
    m.nnode = w->nsib + w->nleaf;
    m.stars.reserve(static_cast<std::size_t>(w->nstar));
    for (int t = 1; t <= w->nstar; ++t) m.stars.push_back(model_star(*w, t));
    models.push_back(std::move(m));
  }
  return models;
}

}  // namespace loopcut
