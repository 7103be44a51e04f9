#include "bench/pedigree_generator.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench/random.hpp"

namespace loopcut::bench {

namespace {

struct Person {
  int fa = 0, mo = 0, sex = 1;
  int last_mate = 0;
};

// Picks one of the last `window` entries of a list.
int pick_recent(Random& rng, const std::vector<int>& list, int window) {
  const int n = static_cast<int>(list.size());
  const int w = std::min(n, window);
  return list[static_cast<std::size_t>(n - w + rng.below(w))];
}

// Free format: fields as wide as their numbers, so any size reads back.
void append_record(std::string& out, int ped, int id, int fa, int mo, int sex) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%d %d %d %d %d I%d\n", ped, id, fa, mo, sex, id);
  out += buf;
}

// The sire of an inseminated child: the first AI sire for the top share, any other else.
int pick_ai_sire(Random& rng, const std::vector<int>& sires, int top_percent) {
  const int n = static_cast<int>(sires.size());
  if (n == 1 || rng.percent(top_percent)) return sires[0];
  return sires[static_cast<std::size_t>(1 + rng.below(n - 1))];
}

}  // namespace

GeneratedFiles generate_pedigree(const GeneratorOptions& o) {
  Random rng(o.seed);
  GeneratedFiles f;
  f.records = o.records;
  f.pedigree = "ped id fa mo sex kod\n";
  std::vector<Person> people(static_cast<std::size_t>(o.records) + 1);

  const int npeds = std::max(1, std::min(o.pedigrees, o.records));
  int id = 0;
  for (int k = 1; k <= npeds; ++k) {
    const int size = o.records / npeds + (k <= o.records % npeds ? 1 : 0);
    const int founders = std::max(2, size * o.founders_percent / 100);
    std::vector<int> males, females, ai;
    bool marry_in_next = false;
    for (int n = 0; n < size; ++n) {
      ++id;
      Person& p = people[static_cast<std::size_t>(id)];
      p.sex = 1 + rng.below(2);
      bool founder = !marry_in_next && (n < founders || males.empty() || females.empty() ||
                                        rng.percent(o.immigrant_percent));
      // A mate from outside: a founder male recorded just before the child he fathers.
      if (!founder && !marry_in_next && n + 1 < size &&
          rng.below(1000) < o.marry_in_permille) {
        p.sex = 1;
        founder = true;
        marry_in_next = true;
      } else if (!founder) {
        const int mother = pick_recent(rng, females, o.parent_window);
        Person& m = people[static_cast<std::size_t>(mother)];
        int father = m.last_mate;
        if (marry_in_next) {
          father = id - 1;
        } else if (!ai.empty() && rng.percent(o.ai_percent)) {
          father = pick_ai_sire(rng, ai, o.ai_top_percent);
        } else if (father == 0 || rng.percent(o.new_mate_percent)) {
          father = pick_recent(rng, males, o.mate_window);
        }
        marry_in_next = false;
        m.last_mate = father;
        p.fa = father;
        p.mo = mother;
        if (rng.percent(o.one_parent_percent)) (rng.below(2) == 0 ? p.fa : p.mo) = 0;
      }
      (p.sex == 1 ? males : females).push_back(id);
      if (n < founders && p.sex == 1 && static_cast<int>(ai.size()) < o.ai_sires) ai.push_back(id);
      append_record(f.pedigree, k, id, p.fa, p.mo, p.sex);
    }
  }

  // Weights and relationship values, one per record.
  f.rrr = " 0 1.0\n";
  for (int i = 1; i <= o.records; ++i) {
    int tenths = 5 + rng.below(46);  // 0.5 .. 5.0
    if (o.weights == GeneratorOptions::Weights::equal) tenths = 10;
    if (o.weights == GeneratorOptions::Weights::with_zeros && rng.percent(20)) tenths = 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, " %d %d.%d\n", i, tenths / 10, tenths % 10);
    f.weights += buf;
    std::snprintf(buf, sizeof buf, " %d 0.%03d\n", i, 1 + rng.below(999));
    f.rrr += buf;
    if (rng.percent(3)) {
      std::snprintf(buf, sizeof buf, " %d\n", i);
      f.list += buf;
    }
  }
  return f;
}

}  // namespace loopcut::bench
