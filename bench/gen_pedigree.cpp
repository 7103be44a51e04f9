// gen_pedigree: writes a generated loop-rich pedigree and the chain's inputs into a folder.
//   gen_pedigree RECORDS [PEDIGREES [SEED [MARRY_IN_PERMILLE [AI_SIRES AI_PERCENT AI_TOP]]]] DIR
// MARRY_IN_PERMILLE: how often (per thousand children) the father is a founder from outside;
// the higher, the fewer loops. AI_SIRES AI_PERCENT AI_TOP: a herd whose first AI_SIRES male
// founders sire AI_PERCENT % of the children, the first of them AI_TOP % of those.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "bench/pedigree_generator.hpp"

namespace {

void write_file(const std::filesystem::path& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
  if (!out.flush()) {
    std::cerr << path.string() << ": write failed\n";
    std::exit(1);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || argc > 9 || argc == 7 || argc == 8) {
    std::cerr << "usage: gen_pedigree RECORDS [PEDIGREES [SEED [MARRY_IN_PERMILLE "
                 "[AI_SIRES AI_PERCENT AI_TOP]]]] DIR\n";
    return 2;
  }
  loopcut::bench::GeneratorOptions o;
  o.records = std::atoi(argv[1]);
  if (argc >= 4) o.pedigrees = std::atoi(argv[2]);
  if (argc >= 5) o.seed = std::strtoull(argv[3], nullptr, 10);
  if (argc >= 6) o.marry_in_permille = std::atoi(argv[4]);
  if (argc == 9) {
    o.ai_sires = std::atoi(argv[5]);
    o.ai_percent = std::atoi(argv[6]);
    o.ai_top_percent = std::atoi(argv[7]);
  }
  const std::filesystem::path dir = argv[argc - 1];
  if (o.records < 1 || o.pedigrees < 1) {
    std::cerr << "gen_pedigree: RECORDS and PEDIGREES must be positive\n";
    return 2;
  }
  std::filesystem::create_directories(dir);
  const auto f = loopcut::bench::generate_pedigree(o);
  write_file(dir / "gen.ped", f.pedigree);
  write_file(dir / "gen.w", f.weights);
  write_file(dir / "rrr.dat", f.rrr);
  write_file(dir / "stars.lst", f.list);
  write_file(dir / "task.inp", "gen.ped\nw_0.dat\ngen.cut\n");
  write_file(dir / "task_w_fin.inp", std::to_string(o.records) + "\nstars.lst\n");
  return 0;
}
