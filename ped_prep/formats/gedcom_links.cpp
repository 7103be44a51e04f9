// GEDCOM lines that name no record. Files whose author removed records (living people, for
// privacy) keep the families' pointers to them; a pointer to nobody tells nothing of descent, so
// it is read as absent: a child without a record is nobody, a parent without one is unknown, a
// FAMC or FAMS naming no family is no link. The lines themselves stay as they were.
#include <algorithm>

#include "ped_prep/formats/gedcom_records.hpp"

namespace loopcut::prep::gedcom {

namespace {

bool names_a_record(const Parsed& g, const Pointer& p) {
  const bool family = p.kind == Pointer::famc || p.kind == Pointer::fams;
  return family ? g.family_of.count(p.to) > 0 : g.person_of.count(p.to) > 0;
}

// What the line says, as the problems name it: "family @F1@ lists child @I9@".
std::string pointer_text(const Pointer& p) {
  const std::string from = "@" + p.from + "@", to = "@" + p.to + "@";
  switch (p.kind) {
    case Pointer::child: return "family " + from + " lists child " + to;
    case Pointer::husband: return "family " + from + " lists husband " + to;
    case Pointer::wife: return "family " + from + " lists wife " + to;
    case Pointer::famc: return from + " names family " + to;
    case Pointer::fams: return from + " is a spouse in family " + to;
  }
  return from + " names " + to;
}

std::string missing_record(const Pointer& p) {
  return p.kind == Pointer::famc || p.kind == Pointer::fams ? ", which has no FAM record"
                                                            : ", which has no INDI record";
}

// Takes the pointers to no record out of the families' partners and children and out of the
// individuals' families of birth.
void drop_from_lists(Parsed& g) {
  auto missing_person = [&](const std::string& x) { return !g.person_of.count(x); };
  for (Family& f : g.families) {
    std::erase_if(f.husbands, missing_person);
    std::erase_if(f.wives, missing_person);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < f.children.size(); ++i) {
      if (missing_person(f.children[i])) continue;
      f.children[kept] = f.children[i];
      f.child_links[kept] = f.child_links[i];
      ++kept;
    }
    f.children.resize(kept);
    f.child_links.resize(kept);
  }
  for (Individual& ind : g.individuals) {
    // A FAMC that is no pointer at all stays: it names nothing either way.
    std::erase_if(ind.famc, [&](const std::pair<std::string, Link>& link) {
      return !link.first.empty() && !g.family_of.count(link.first);
    });
  }
}

}  // namespace

void drop_dangling_pointers(Parsed& g, PedigreeInput& in, bool strict) {
  std::size_t dangling = 0;
  std::string first;
  for (const Pointer& p : g.pointers) {
    if (names_a_record(g, p)) continue;
    if (strict) in.problems.push_back(at(in.file, p.line) + pointer_text(p) + missing_record(p));
    if (dangling++ == 0) first = pointer_text(p);
  }
  if (dangling == 0) return;
  drop_from_lists(g);
  if (strict) return;
  const bool one = dangling == 1;
  in.notes.push_back(std::to_string(dangling) + (one ? " link names" : " links name") +
                     " no record (first: " + first + "); " +
                     (one ? "it is kept as it is" : "they are kept as they are") +
                     " and read as absent");
}

}  // namespace loopcut::prep::gedcom
