// gen_family: a consanguineous family with marker data, as a LINKAGE file and its data file.
//   gen_family PEOPLE LOOPS OUT_LINKAGE OUT_DATA [SEED]
// About PEOPLE individuals over a few generations with exactly LOOPS marriages of relatives
// (first and double first cousins, brothers and sisters marrying brothers and sisters), some
// individuals married twice; eight markers of 3 to 12 alleles passed down by Mendel's rules, the
// youngest generations mostly typed. The same SEED (default 1) gives the same files.
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>

#include "bench/family_generator.hpp"
#include "bench/marker_generator.hpp"

namespace {

void write_file(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
  if (!out.flush()) throw std::runtime_error(name + ": write failed");
}

int positive(const char* text, const char* what) {
  char* end = nullptr;
  const long n = std::strtol(text, &end, 10);
  if (*text == '\0' || *end != '\0' || n < 1 || n > 100000)
    throw std::runtime_error(std::string(what) + ": expected a whole number from 1 to 100000, "
                             "found \"" + text + "\"");
  return static_cast<int>(n);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5 || argc > 6) {
    std::cerr << "usage: gen_family PEOPLE LOOPS OUT_LINKAGE OUT_DATA [SEED]\n";
    return 2;
  }
  try {
    loopcut::bench::FamilyOptions f;
    f.people = positive(argv[1], "PEOPLE");
    f.loops = positive(argv[2], "LOOPS");
    loopcut::bench::MarkerOptions m;
    if (argc == 6) f.seed = m.seed = std::strtoull(argv[5], nullptr, 10);
    const loopcut::bench::Family family = loopcut::bench::generate_family(f);
    const auto files = loopcut::bench::generate_markers(family.records, m);
    write_file(argv[3], files.linkage);
    write_file(argv[4], files.data);
    std::cout << family.records.size() << " records, " << family.loops << " loops, "
              << files.typed << " typed\n";
  } catch (const std::exception& e) {
    std::cerr << "gen_family: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
