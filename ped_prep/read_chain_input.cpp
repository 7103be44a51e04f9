// Reads a pedigree file of the chain for checking and repair: identifiers are global numbers,
// and the label becomes the individual's name in the map.
#include <string>

#include "common/errors.hpp"
#include "ped_prep/chain_file.hpp"
#include "ped_prep/pedigree_input.hpp"

namespace loopcut::prep {

PedigreeInput read_chain_input(const std::string& file) {
  PedigreeInput in;
  in.format = Format::chain;
  in.file = file;
  ChainFile chain;
  try {
    chain = read_chain_file(file, false);  // identifiers are renumbered to rows on import
  } catch (const InputError& e) {
    in.problems.push_back(e.what());
    return in;
  }
  for (const ChainRecord& r : chain.records) {
    Person p;
    p.id = std::to_string(r.id);
    p.father = r.fa == 0 ? "" : std::to_string(r.fa);
    p.mother = r.mo == 0 ? "" : std::to_string(r.mo);
    if (r.sex == 1 || r.sex == 2) {
      p.sex = r.sex;
    } else if (r.sex != 0) {
      in.problems.push_back(file + ":" + std::to_string(r.line) + ": individual " + p.id +
                            ": sex must be 0, 1 or 2, found " + std::to_string(r.sex));
      continue;
    }
    p.extra = trimmed(r.kod);
    p.line = r.line;
    in.people.push_back(std::move(p));
  }
  return in;
}

}  // namespace loopcut::prep
