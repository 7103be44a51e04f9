// The three inputs of cost_prep: the task file, the relationship values and the star list.
#include <algorithm>
#include <string>

#include "common/errors.hpp"
#include "common/files.hpp"
#include "common/free_reader.hpp"
#include "common/label.hpp"
#include "common/par.hpp"
#include "cost_prep/cost_prep.hpp"

namespace loopcut {

StarTable::StarTable() : id(1, 0), weigh(1, 0.0f), first(1, 0) {}

StarList::StarList() : star(1, 0), listed(1, 0) {}

namespace {
bool indexable(int star) { return star >= 1 && star <= n_star(); }
std::size_t at(int k) { return static_cast<std::size_t>(k); }

// Makes entry k exist; entries grow with what is read, never beyond the ceiling's numbers.
template <class T>
void room_for(std::vector<T>& v, int k) {
  if (v.size() <= at(k)) v.resize(std::max(at(k) + 1, 2 * v.size()), T{});
}
}  // namespace

void add_record(StarTable& stars, int star, float w) {
  const int k = ++stars.m;
  room_for(stars.id, k);
  room_for(stars.weigh, k);
  stars.id[at(k)] = star;
  stars.weigh[at(k)] = w;
  if (!indexable(star)) return;
  room_for(stars.first, star);
  if (stars.first[at(star)] == 0) stars.first[at(star)] = k;
}

void add_to_list(StarList& list, int star) {
  room_for(list.star, ++list.l);
  list.star[at(list.l)] = star;
  if (!indexable(star)) return;
  room_for(list.listed, star);
  list.listed[at(star)] = 1;
}

// Star numbers beyond the star ceiling are never asked for by the program (n is at most the
// ceiling); they are looked up by a scan all the same.
int record_of(int star, const StarTable& stars) {
  if (indexable(star)) return at(star) < stars.first.size() ? stars.first[at(star)] : 0;
  for (int k = 1; k <= stars.m; ++k)
    if (stars.id[at(k)] == star) return k;
  return 0;
}

bool on_list(int star, const StarList& list) {
  if (indexable(star)) return at(star) < list.listed.size() && list.listed[at(star)] != 0;
  for (int k = 1; k <= list.l; ++k)
    if (list.star[at(k)] == star) return true;
  return false;
}

void stop_star_capacity() {
  stop_at_ceiling_message("Increase parameter N_STAR in par.incl and recompile !", Ceiling::n_star);
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
  for (;;) {
    int star = 0;
    float rel = 0.0f;
    if (!r.try_int(star, "star number")) break;
    if (!r.try_real(rel, "relationship value")) break;  // a record cut short is not counted
    r.end_read();
    const float w = (r0 - rel) / r0;
    if (w > 1e-5f && w < stars.smallest) stars.smallest = w;
    if (stars.m == n_star()) stop_star_capacity();
    add_record(stars, star, w);
  }
}

void read_star_list(const std::string& file_name, StarList& list) {
  std::ifstream in = open_optional_input(file_name);
  if (!in.is_open()) return;
  FreeReader r(in, file_name);
  int star = 0;
  while (r.try_int(star, "star number")) {
    r.end_read();
    if (list.l == n_star()) stop_star_capacity();
    add_to_list(list, star);
  }
}

}  // namespace loopcut
