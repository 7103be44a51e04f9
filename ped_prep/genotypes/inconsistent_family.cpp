#include "ped_prep/genotypes/inconsistent_family.hpp"

namespace loopcut::prep::inconsistent_family_detail {

// Genotypes a message lists before it says how many more there are.
constexpr std::size_t LISTED = 4;

std::string genotype_list(const PricedLocus& locus, const std::vector<char>& set) {
  std::vector<std::string> names;
  for (std::size_t g = 0; g < set.size(); ++g)
    if (set[g]) names.push_back(genotype_text(locus, static_cast<int>(g)));
  std::string text;
  for (std::size_t i = 0; i < names.size() && i < LISTED; ++i)
    text += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
  if (names.size() > LISTED)
    text += " or " + std::to_string(names.size() - LISTED) + " more";
  return text;
}

struct Wording {
  const PedigreeInput& in;
  const Prepared& p;
  const PricedLocus& locus;
  const GenotypeSets& start;
  const GenotypeSets& left;

  const Person* person_of(int row) const {
    if (row < 0) return nullptr;
    const int person = p.rows[static_cast<std::size_t>(row)].person;
    return person >= 0 ? &in.people[static_cast<std::size_t>(person)] : nullptr;
  }

  // "5 (1/2)", "5 (0/0; left 1/1 or 1/3)"
  std::string member(int row) const {
    const std::size_t r = static_cast<std::size_t>(row);
    std::string text = person_of(row)->id + " (" + phenotype_text(locus, r);
    if (left[r] != start[r]) text += "; left " + genotype_list(locus, left[r]);
    return text + ")";
  }

  std::string parent(const char* role, int row) const {
    if (!person_of(row)) return std::string("an unknown ") + role;
    return std::string(role) + " " + member(row);
  }

  std::string where(int row) const {
    const Person& child = *person_of(row);
    return in.file + ":" + std::to_string(child.line) + ": " + locus_name(locus) + ": family " +
           child.family + ": ";
  }
};

std::string joined(const std::vector<std::string>& parts, const char* last) {
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i)
    text += (i == 0 ? "" : i + 1 == parts.size() ? last : ", ") + parts[i];
  return text;
}

}  // namespace loopcut::prep::inconsistent_family_detail

namespace loopcut::prep {

std::string inconsistent_family(const PedigreeInput& in, const Prepared& p,
                                const PricedLocus& locus, const NuclearFamily& family,
                                const GenotypeSets& start, const GenotypeSets& left) {
  using namespace inconsistent_family_detail;
  const Wording w{in, p, locus, start, left};
  std::vector<int> alone;
  for (int child : family.children)
    if (!family_fits(locus.alleles, {family.father, family.mother, {child}}, left))
      alone.push_back(child);
  const std::vector<int>& named = alone.empty() ? family.children : alone;
  std::vector<std::string> children;
  for (int child : named) children.push_back(w.member(child));
  std::string text = w.where(named.front()) + w.parent("father", family.father) + " and " +
                     w.parent("mother", family.mother) + " cannot have ";
  text += named.size() == 1 ? "child " : "children ";
  text += joined(children, alone.empty() ? " and " : " or ");
  if (alone.empty() && named.size() > 1) text += " together";
  return text;
}

std::string impossible_phenotype(const PedigreeInput& in, const Prepared& p,
                                 const PricedLocus& locus, std::size_t row) {
  const Person& person = in.people[static_cast<std::size_t>(p.rows[row].person)];
  return in.file + ":" + std::to_string(person.line) + ": " + locus_name(locus) + ": family " +
         person.family + ": individual " + person.id + " (" + phenotype_text(locus, row) +
         ") has no genotype whose penetrance allows it";
}

}  // namespace loopcut::prep
