#include "ped_prep/genotypes/elimination.hpp"

#include <array>
#include <bitset>
#include <stdexcept>
#include <deque>
#include <map>
#include <utility>

namespace loopcut::prep::elimination_detail {

struct Pair {
  int a = 0, b = 0;
};

std::vector<Pair> genotype_pairs(int alleles) {
  if (alleles > MAX_ELIMINATION_ALLELES)
    throw std::invalid_argument("genotype elimination: more alleles than it takes");
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
    next.assign(2 + f.children.size(), std::vector<char>(pairs.size(), 0));
    const std::vector<char>& fa = of(sets, f.father);
    const std::vector<char>& mo = of(sets, f.mother);
    bool open = true;
    for (int c : f.children) open = open && sets[static_cast<std::size_t>(c)] == anything;
    return open ? kept_by_open_children(f, fa, mo, next) : kept_by_masks(f, sets, fa, mo, next);
  }

  // Children who may have any genotype restrict nobody: the parents keep theirs, and a child
  // keeps what one parent's alleles and the other's can make. Most families of a large
  // untyped pedigree are of this kind, and this costs no pairs of parents' genotypes.
  bool kept_by_open_children(const NuclearFamily& f, const std::vector<char>& fa,
                             const std::vector<char>& mo,
                             std::vector<std::vector<char>>& next) const {
    const std::vector<char> from_father = alleles_of(fa), from_mother = alleles_of(mo);
    next[0] = fa;
    next[1] = mo;
    bool any = false;
    for (std::size_t g = 0; g < pairs.size(); ++g) {
      const Pair p = pairs[g];
      const char made = (from_father[p.a] && from_mother[p.b]) ||
                        (from_father[p.b] && from_mother[p.a]);
      for (std::size_t k = 0; k < f.children.size(); ++k) next[2 + k][g] = made;
      any = any || made;
    }
    return any;
  }

  // The alleles that appear in some genotype of `set`.
  std::vector<char> alleles_of(const std::vector<char>& set) const {
    std::vector<char> present(static_cast<std::size_t>(alleles), 0);
    for (std::size_t g = 0; g < pairs.size(); ++g)
      if (set[g]) present[pairs[g].a] = present[pairs[g].b] = 1;
    return present;
  }

  static std::vector<std::size_t> members_of(const std::vector<char>& set) {
    std::vector<std::size_t> list;
    for (std::size_t g = 0; g < set.size(); ++g)
      if (set[g]) list.push_back(g);
    return list;
  }

  using Mask = std::bitset<MAX_ELIMINATION_ALLELES>;
  static Mask bit(int allele) { return Mask().set(static_cast<std::size_t>(allele)); }

  // Every pair of the parents' genotypes that gives each child one of its own, with alleles as
  // bits. For the father's genotype a/b, a child
  // takes from the mother an allele of the mask of the alleles y for which a/y or b/y is one of
  // its own; the mother's c/d fits when its bits meet that mask for every child, and the
  // children keep a/y and b/y for each y of the fitting genotypes.
  bool kept_by_masks(const NuclearFamily& f, const std::vector<std::vector<char>>& sets,
                     const std::vector<char>& fa, const std::vector<char>& mo,
                     std::vector<std::vector<char>>& next) const {
    const std::size_t n = static_cast<std::size_t>(alleles), kids = f.children.size();
    // with[k][x]: the alleles y for which x/y is a genotype child k may have.
    std::vector<std::vector<Mask>> with(kids, std::vector<Mask>(n, 0));
    for (std::size_t k = 0; k < kids; ++k) {
      const std::vector<char>& s = sets[static_cast<std::size_t>(f.children[k])];
      for (std::size_t g = 0; g < pairs.size(); ++g)
        if (s[g]) {
          with[k][pairs[g].a] |= bit(pairs[g].b);
          with[k][pairs[g].b] |= bit(pairs[g].a);
        }
    }
    const std::vector<std::size_t> mother_list = members_of(mo);
    std::vector<Mask> from_mother(kids);
    bool any = false;
    for (std::size_t gf = 0; gf < pairs.size(); ++gf) {
      if (!fa[gf]) continue;
      const Pair p = pairs[gf];
      for (std::size_t k = 0; k < kids; ++k) from_mother[k] = with[k][p.a] | with[k][p.b];
      Mask given;  // alleles of the mother's fitting genotypes
      for (const std::size_t gm : mother_list) {
        const Mask m = bit(pairs[gm].a) | bit(pairs[gm].b);
        bool fits = true;
        for (std::size_t k = 0; k < kids && fits; ++k) fits = (m & from_mother[k]).any();
        if (!fits) continue;
        next[1][gm] = 1;
        given |= m;
      }
      if (given.none()) continue;
      any = true;
      next[0][gf] = 1;
      for (std::size_t k = 0; k < kids; ++k) keep_children_genotypes(p, given, f, sets, k, next);
    }
    return any;
  }

  // Child k keeps a/y and b/y, for the father's a/b and each y the mother may give, that are
  // its own.
  void keep_children_genotypes(Pair father, Mask given, const NuclearFamily& f,
                               const std::vector<std::vector<char>>& sets, std::size_t k,
                               std::vector<std::vector<char>>& next) const {
    const std::vector<char>& s = sets[static_cast<std::size_t>(f.children[k])];
    for (int y = 0; y < alleles; ++y) {
      if (!given[static_cast<std::size_t>(y)]) continue;
      for (int x : {father.a, father.b}) {
        const int g = genotype_index(alleles, x, y);
        if (s[g]) next[2 + k][g] = 1;
      }
    }
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
    // Two children of one known parent need not share the unknown other one.
    if (father[i] < 0 || mother[i] < 0) {
      families.push_back({father[i], mother[i], {static_cast<int>(i)}});
      continue;
    }
    const auto [it, added] = index.try_emplace({father[i], mother[i]}, families.size());
    if (added) families.push_back({father[i], mother[i], {}});
    families[it->second].children.push_back(static_cast<int>(i));
  }
  return families;
}

bool family_fits(int alleles, const NuclearFamily& family, const GenotypeSets& sets) {
  using namespace elimination_detail;
  const std::vector<Pair> pairs = genotype_pairs(alleles);
  const std::vector<char> anything(pairs.size(), 1);
  GenotypeSets next;
  return FamilyWork{alleles, pairs, anything}.kept(family, sets, next);
}

Elimination eliminate_genotypes(int alleles, const std::vector<NuclearFamily>& families,
                                GenotypeSets allowed) {
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
