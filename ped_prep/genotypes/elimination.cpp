#include "ped_prep/genotypes/elimination.hpp"

#include <array>
#include <deque>
#include <map>
#include <utility>

namespace loopcut::prep::elimination_detail {

struct Pair {
  int a = 0, b = 0;
};

std::vector<Pair> genotype_pairs(int alleles) {
  std::vector<Pair> pairs;
  for (int a = 0; a < alleles; ++a)
    for (int b = a; b < alleles; ++b) pairs.push_back({a, b});
  return pairs;
}

// Whether one family's members keep genotypes together; `next` gets what they keep.
struct FamilyWork {
  int alleles;
  const std::vector<Pair>& pairs;
  const std::vector<char>& anything;  // an unknown parent's genotypes

  const std::vector<char>& of(const std::vector<std::vector<char>>& sets, int i) const {
    return i < 0 ? anything : sets[static_cast<std::size_t>(i)];
  }

  // The genotypes kept by each member (father, mother, children in order); false when none fit.
  bool kept(const NuclearFamily& f, const std::vector<std::vector<char>>& sets,
            std::vector<std::vector<char>>& next) const {
    const std::size_t g = pairs.size();
    next.assign(2 + f.children.size(), std::vector<char>(g, 0));
    const std::vector<char>& fa = of(sets, f.father);
    const std::vector<char>& mo = of(sets, f.mother);
    bool any = false;
    std::array<int, 4> child{};
    for (std::size_t gf = 0; gf < g; ++gf) {
      if (!fa[gf]) continue;
      for (std::size_t gm = 0; gm < g; ++gm) {
        if (!mo[gm]) continue;
        const Pair p = pairs[gf], m = pairs[gm];
        child = {genotype_index(alleles, p.a, m.a), genotype_index(alleles, p.a, m.b),
                 genotype_index(alleles, p.b, m.a), genotype_index(alleles, p.b, m.b)};
        bool fits = true;
        for (int c : f.children) {
          const std::vector<char>& s = sets[static_cast<std::size_t>(c)];
          if (!(s[child[0]] || s[child[1]] || s[child[2]] || s[child[3]])) {
            fits = false;
            break;
          }
        }
        if (!fits) continue;
        any = true;
        next[0][gf] = next[1][gm] = 1;
        for (std::size_t k = 0; k < f.children.size(); ++k)
          for (int c : child)
            if (sets[static_cast<std::size_t>(f.children[k])][c]) next[2 + k][c] = 1;
      }
    }
    return any;
  }
};

}  // namespace loopcut::prep::elimination_detail

namespace loopcut::prep {

int genotype_index(int alleles, int a, int b) {
  if (a > b) std::swap(a, b);
  return a * alleles - a * (a - 1) / 2 + (b - a);
}

std::vector<NuclearFamily> nuclear_families(const std::vector<int>& father,
                                            const std::vector<int>& mother) {
  std::vector<NuclearFamily> families;
  std::map<std::pair<int, int>, std::size_t> index;
  for (std::size_t i = 0; i < father.size(); ++i) {
    if (father[i] < 0 && mother[i] < 0) continue;
    const auto [it, added] = index.try_emplace({father[i], mother[i]}, families.size());
    if (added) families.push_back({father[i], mother[i], {}});
    families[it->second].children.push_back(static_cast<int>(i));
  }
  return families;
}

Elimination eliminate_genotypes(int alleles, const std::vector<NuclearFamily>& families,
                                std::vector<std::vector<char>> allowed) {
  using namespace elimination_detail;
  const std::vector<Pair> pairs = genotype_pairs(alleles);
  const std::vector<char> anything(pairs.size(), 1);
  const FamilyWork work{alleles, pairs, anything};
  // The families of each individual, as parent or child.
  std::vector<std::vector<std::size_t>> member_of(allowed.size());
  auto members = [](const NuclearFamily& f) {
    std::vector<int> m{f.father, f.mother};
    m.insert(m.end(), f.children.begin(), f.children.end());
    return m;
  };
  for (std::size_t k = 0; k < families.size(); ++k)
    for (int i : members(families[k]))
      if (i >= 0) member_of[static_cast<std::size_t>(i)].push_back(k);
  Elimination e;
  std::deque<std::size_t> queue;
  std::vector<char> queued(families.size(), 1), refused(families.size(), 0);
  for (std::size_t k = 0; k < families.size(); ++k) queue.push_back(k);
  std::vector<std::vector<char>> next;
  while (!queue.empty()) {
    const std::size_t k = queue.front();
    queue.pop_front();
    queued[k] = 0;
    if (refused[k]) continue;
    if (!work.kept(families[k], allowed, next)) {
      refused[k] = 1;
      e.inconsistent.push_back(k);
      continue;
    }
    const std::vector<int> m = members(families[k]);
    for (std::size_t j = 0; j < m.size(); ++j) {
      if (m[j] < 0) continue;
      std::vector<char>& set = allowed[static_cast<std::size_t>(m[j])];
      if (set == next[j]) continue;
      set = next[j];
      for (std::size_t other : member_of[static_cast<std::size_t>(m[j])])
        if (other != k && !queued[other]) {
          queued[other] = 1;
          queue.push_back(other);
        }
    }
  }
  e.left = std::move(allowed);
  return e;
}

}  // namespace loopcut::prep
