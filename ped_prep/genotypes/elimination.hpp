#pragma once
// Genotype elimination at one locus: the genotypes of each individual that Mendel's rules leave,
// given what its own and its relatives' phenotypes allow.
#include <cstddef>
#include <vector>

namespace loopcut::prep {

// Parents and children of one nuclear family, as indices of individuals; -1 for a parent that
// is not known (who may then have any genotype).
struct NuclearFamily {
  int father = -1;
  int mother = -1;
  std::vector<int> children;
};

// The nuclear families of individuals whose parents are `father[i]` and `mother[i]` (-1 for
// none), in the order of their first child. A child with one unknown parent is a family of its
// own: its half-sibs by the same known parent may have other unknown parents.
std::vector<NuclearFamily> nuclear_families(const std::vector<int>& father,
                                            const std::vector<int>& mother);

// The most alleles a locus may have here: the alleles of one genotype set are held as bits.
inline constexpr int MAX_ELIMINATION_ALLELES = 128;

// Genotypes of a locus of `alleles` alleles are the unordered pairs a <= b, numbered
// 11, 12, ..., 1n, 22, ...: `genotype_index(a, b)` (alleles from 0).
int genotype_index(int alleles, int a, int b);
inline int genotype_count(int alleles) { return alleles * (alleles + 1) / 2; }

// Per individual, per genotype: whether it may have it.
using GenotypeSets = std::vector<std::vector<char>>;

struct Elimination {
  std::vector<std::vector<char>> left;    // per individual, per genotype: still possible
  std::vector<std::size_t> inconsistent;  // families that no genotypes fit, in order found
};

// Drops, family by family, each member's genotypes that no choice of the other members'
// remaining genotypes allows, until nothing changes; a family whose members are changed puts the
// other families of those members back in the queue. An inconsistent family is noted once and
// changes nobody. `allowed` holds each individual's genotypes at the start.
Elimination eliminate_genotypes(int alleles, const std::vector<NuclearFamily>& families,
                                GenotypeSets allowed);

// Whether some choice of the members' genotypes in `sets` fits Mendel's rules in the family.
bool family_fits(int alleles, const NuclearFamily& family, const GenotypeSets& sets);

}  // namespace loopcut::prep
