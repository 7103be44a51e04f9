#include "bench/family_generator.hpp"

#include <stdexcept>
#include <utility>

#include "bench/random.hpp"

namespace loopcut::bench {

namespace {

// Which individuals are linked through parents and marriages.
class Parts {
 public:
  void add() { up_.push_back(static_cast<int>(up_.size())); }
  int find(int x) {
    while (up_[static_cast<std::size_t>(x)] != x) {
      int& up = up_[static_cast<std::size_t>(x)];
      up = up_[static_cast<std::size_t>(up)];
      x = up;
    }
    return x;
  }
  // False when they were linked already.
  bool join(int a, int b) {
    a = find(a);
    b = find(b);
    if (a == b) return false;
    up_[static_cast<std::size_t>(b)] = a;
    return true;
  }

 private:
  std::vector<int> up_;
};

struct Member {
  int fa = -1, mo = -1, sex = 1;
  std::vector<int> spouses;
};

// How a possible partner is related: the higher, the more wanted for a marriage of relatives.
enum Kin { excluded = -1, unlinked = 0, linked = 1, exchange = 2, cousin = 3, double_cousin = 4 };

class FamilyBuilder {
 public:
  explicit FamilyBuilder(const FamilyOptions& o) : o_(o), rng_(o.seed) {}

  Family build() {
    const int founder_couples = 2 + o_.people / 80;
    for (int c = 0; c < founder_couples; ++c) {
      const int husband = add(-1, -1, 1);
      marry(husband, add(-1, -1, 2));
    }
    std::vector<int> young = have_children();
    while (size() < o_.people || loops_ < o_.loops) {
      marry_generation(young);
      if (couples_.empty())
        throw std::runtime_error("no relatives left to marry for " + std::to_string(o_.loops) +
                                 " loops (seed " + std::to_string(o_.seed) + ")");
      young = have_children();
    }
    return family();
  }

 private:
  int size() const { return static_cast<int>(m_.size()); }
  const Member& at(int i) const { return m_[static_cast<std::size_t>(i)]; }
  bool single(int i) const { return at(i).spouses.empty(); }

  int add(int fa, int mo, int sex) {
    m_.push_back(Member{fa, mo, sex, {}});
    parts_.add();
    if (fa >= 0) parts_.join(fa, size() - 1);
    return size() - 1;
  }

  // A couple of this generation; a loop when the two were linked already.
  void marry(int x, int y) {
    if (!parts_.join(x, y)) ++loops_;
    m_[static_cast<std::size_t>(x)].spouses.push_back(y);
    m_[static_cast<std::size_t>(y)].spouses.push_back(x);
    couples_.push_back(at(x).sex == 1 ? std::pair{x, y} : std::pair{y, x});
  }

  // A spouse from outside the family for x.
  int outsider_for(int x) { return add(-1, -1, 3 - at(x).sex); }

  // Every couple has a first child, then more (up to four in all) while the family is below its
  // size.
  std::vector<int> have_children() {
    std::vector<int> young;
    std::vector<int> more;
    for (const auto& [fa, mo] : couples_) {
      young.push_back(add(fa, mo, 1 + rng_.below(2)));
      more.push_back(rng_.below(4));
    }
    for (std::size_t c = 0; c < couples_.size(); ++c)
      for (int k = 0; k < more[c] && size() < o_.people; ++k)
        young.push_back(add(couples_[c].first, couples_[c].second, 1 + rng_.below(2)));
    return young;
  }

  bool siblings(int a, int b) const {
    const Member &x = at(a), &y = at(b);
    return (x.fa >= 0 && (x.fa == y.fa || x.mo == y.mo));
  }
  bool parents_siblings(int a, int b, bool both) const {
    const Member &x = at(a), &y = at(b);
    if (x.fa < 0 || y.fa < 0) return false;
    const bool straight = siblings(x.fa, y.fa) && siblings(x.mo, y.mo);
    const bool crossed = siblings(x.fa, y.mo) && siblings(x.mo, y.fa);
    if (both) return straight || crossed;
    return siblings(x.fa, y.fa) || siblings(x.mo, y.mo) || siblings(x.fa, y.mo) ||
           siblings(x.mo, y.fa);
  }
  // A brother or sister of a married a brother or sister of b.
  bool sibling_married_sibling(int a, int b) const {
    for (int s = 0; s < size(); ++s)
      if (s != a && siblings(s, a))
        for (int t : at(s).spouses)
          if (t != b && siblings(t, b)) return true;
    return false;
  }
  Kin kin(int a, int b) {
    if (a == b || at(a).sex == at(b).sex || siblings(a, b)) return excluded;
    if (parts_.find(a) != parts_.find(b)) return unlinked;
    if (parents_siblings(a, b, true)) return double_cousin;
    if (parents_siblings(a, b, false)) return cousin;
    if (sibling_married_sibling(a, b)) return exchange;
    return linked;
  }

  // One of the single individuals of `young` not linked to x (`unlinked_only`), or one of the
  // most closely related to x at `least` or above; -1 for none.
  int partner_for(int x, const std::vector<int>& young, Kin least, bool unlinked_only) {
    std::vector<int> best;
    Kin best_kin = least;
    for (int y : young) {
      if (!single(y)) continue;
      const Kin k = kin(x, y);
      if (unlinked_only ? k != unlinked : k < best_kin) continue;
      if (!unlinked_only && k > best_kin) {
        best.clear();
        best_kin = k;
      }
      best.push_back(y);
    }
    return best.empty() ? -1 : best[static_cast<std::size_t>(rng_.below(
                                        static_cast<int>(best.size())))];
  }

  // Once the family has its size, only the loops still missing are made, by any linked pair.
  void marry_generation(const std::vector<int>& young) {
    couples_.clear();
    const bool full = size() >= o_.people;
    // The last generation that marries is likely to be this one: every loop must be made here.
    const bool last = size() + 3 * static_cast<int>(young.size()) >= o_.people;
    if (!full)
      for (int x : young) {
        // Brothers and sisters of one family marry those of another: it links the families.
        if (!single(x) || !rng_.percent(25)) continue;
        if (const int y = partner_for(x, young, unlinked, true); y >= 0) marry(x, y);
      }
    for (int x : young) {
      if (loops_ >= o_.loops || !single(x) || !(last || rng_.percent(40))) continue;
      if (const int y = partner_for(x, young, last ? linked : exchange, false); y >= 0)
        marry(x, y);
    }
    if (full) return;
    // The others marry from outside while every couple's first child still fits the size.
    auto room = [&] { return size() + static_cast<int>(couples_.size()) + 2 <= o_.people; };
    for (int x : young) {
      if (!single(x) || !rng_.percent(85) || !room()) continue;
      marry(x, outsider_for(x));
      if (rng_.percent(o_.second_marriage_percent) && room()) marry(x, outsider_for(x));
    }
  }

  // The records, each pedigree a part of the family, numbered in the order of its first member.
  Family family() {
    Family f;
    f.loops = loops_;
    std::vector<int> pedigree_of_part(m_.size(), 0);
    int pedigrees = 0;
    for (int i = 0; i < size(); ++i) {
      int& ped = pedigree_of_part[static_cast<std::size_t>(parts_.find(i))];
      if (ped == 0) ped = ++pedigrees;
      const Member& x = at(i);
      f.records.push_back(PedigreeRecord{ped, i + 1, x.fa + 1, x.mo + 1, x.sex, 0});
    }
    return f;
  }

  const FamilyOptions& o_;
  Random rng_;
  std::vector<Member> m_;
  Parts parts_;
  std::vector<std::pair<int, int>> couples_;  // (father, mother) of the generation marrying
  int loops_ = 0;
};

}  // namespace

Family generate_family(const FamilyOptions& options) { return FamilyBuilder(options).build(); }

}  // namespace loopcut::bench
