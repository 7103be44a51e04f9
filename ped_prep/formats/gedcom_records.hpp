#pragma once
// Inside the GEDCOM reader: the individuals and families as the file's lines give them, before
// the families of birth are chosen.
#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ped_prep/pipeline/pedigree.hpp"

namespace loopcut::prep::gedcom {

// How an individual is said to belong to a family that lists it as a child.
enum class Link { unstated, birth, other };

struct Family {
  std::string xref;
  std::vector<std::string> husbands, wives;  // distinct, in file order
  std::vector<std::string> children;
  std::vector<Link> child_links;  // per child: what the _FREL and _MREL under its CHIL say
  int line = 0;
};

// A CHIL, HUSB, WIFE, FAMC or FAMS line, in file order: the record it is in (and that record's
// first line) and the record it names.
struct Pointer {
  enum Kind { child, husband, wife, famc, fams } kind;
  std::string from, to;
  int line = 0;
};

struct Individual {
  // FAMC lines of the record, with what their PEDI says; ADOP events name adoptive families.
  std::vector<std::pair<std::string, Link>> famc;
};

// The records of the file, the individuals and the families as the lines give them.
struct Parsed {
  std::vector<Individual> individuals;  // per person
  std::vector<Family> families;
  std::unordered_map<std::string, std::size_t> person_of, family_of;
  std::vector<Pointer> pointers;  // every CHIL, HUSB, WIFE, FAMC and FAMS line that names a record
};

// "FILE:LINE: ", the start of a problem.
inline std::string at(const std::string& file, int line) {
  return file + ":" + std::to_string(line) + ": ";
}

// A pointer that names no record is read as absent: it is taken out of the families and
// individuals, and the lines stay in the records as they were. With `strict`, each is a problem;
// otherwise one note counts them.
void drop_dangling_pointers(Parsed& g, PedigreeInput& in, bool strict);

// The family of birth of each individual: among the families that list it as a child or that
// its FAMC lines name, those marked "PEDI birth" (or _FREL and _MREL Natural under the CHIL),
// else those without a mark; families marked otherwise (adopted, foster, sealing, step) or
// named by an adoption are not families of birth. Then the parents from these families.
void find_families_of_birth(const Parsed& g, PedigreeInput& in);

}  // namespace loopcut::prep::gedcom
