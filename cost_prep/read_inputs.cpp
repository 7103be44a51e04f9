// The three inputs of cost_prep: the task file, the relationship values and the star list.
#include <string>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_reader.hpp"
#include "common/label.hpp"
#include "common/par.hpp"
#include "cost_prep/cost_prep.hpp"

namespace loopcut {

StarTable::StarTable()
    : id(static_cast<std::size_t>(N_STAR) + 1, 0), weigh(static_cast<std::size_t>(N_STAR) + 1, 0.0f) {}

StarList::StarList() : star(static_cast<std::size_t>(N_STAR) + 1, 0) {}

void stop_star_capacity() {
  stop_with_message("Increase parameter N_STAR in par.incl and recompile !");
}

WeightTask read_weight_task(const std::string& file_name) {
  std::ifstream in = open_input(file_name);
  FreeReader r(in, file_name);
  WeightTask task;
  task.n = r.read_int("number of stars");
  r.end_read();
  task.list_file = trimmed(r.read_label("list file name"));
  r.end_read();
  return task;
}

void read_relationships(const std::string& file_name, StarTable& stars) {
  std::ifstream in = open_input(file_name);
  FreeReader r(in, file_name);
  r.read_int("first record: unused integer");
  const float r0 = r.read_real("relationship of the initial pedigree");
  r.end_read();
  if (r0 == 0.0f) stop_with_message("Relationship of initial pedigree equals to 0");

  stars.smallest = 10000.0f;
  int k = 0;
  for (;;) {
    int star = 0;
    float rel = 0.0f;
    if (!r.try_int(star, "star number")) break;
    if (!r.try_real(rel, "relationship value")) break;  // a record cut short is not counted
    r.end_read();
    const float w = (r0 - rel) / r0;
    if (w > 1e-5f && w < stars.smallest) stars.smallest = w;
    ++k;
    if (k > N_STAR) stop_star_capacity();
    stars.id[static_cast<std::size_t>(k)] = star;
    stars.weigh[static_cast<std::size_t>(k)] = w;
  }
  stars.m = k;
}

void read_star_list(const std::string& file_name, StarList& list) {
  std::ifstream in = open_optional_input(file_name);
  list.l = 0;
  if (!in.is_open()) return;
  FreeReader r(in, file_name);
  int star = 0;
  while (r.try_int(star, "star number")) {
    r.end_read();
    if (list.l == N_STAR) stop_star_capacity();
    list.star[static_cast<std::size_t>(++list.l)] = star;
  }
}

}  // namespace loopcut
