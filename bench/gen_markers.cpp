// gen_markers: marker data for a pedigree file of the chain, as a LINKAGE file and its data file.
//   gen_markers PEDFILE OUT_LINKAGE OUT_DATA [SEED]
// Eight markers of 3 to 12 alleles passed down by Mendel's rules; the youngest generations are
// mostly typed, the older ones seldom. The same SEED (default 1) gives the same files.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "bench/marker_generator.hpp"

namespace {

std::string read_file(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error(name + ": cannot open for reading");
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void write_file(const std::string& name, const std::string& text) {
  std::ofstream out(name, std::ios::binary);
  out << text;
  if (!out.flush()) throw std::runtime_error(name + ": write failed");
}

// An output that is the input under another name would destroy it.
void refuse_input_as_output(const std::string& input, const std::string& output) {
  std::error_code ec;
  if (std::filesystem::equivalent(input, output, ec))
    throw std::runtime_error(output + ": would overwrite the input " + input);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 5) {
    std::cerr << "usage: gen_markers PEDFILE OUT_LINKAGE OUT_DATA [SEED]\n";
    return 2;
  }
  try {
    const std::string input = argv[1];
    loopcut::bench::MarkerOptions o;
    if (argc == 5) o.seed = std::strtoull(argv[4], nullptr, 10);
    refuse_input_as_output(input, argv[2]);
    refuse_input_as_output(input, argv[3]);
    const auto records = loopcut::bench::parse_chain_pedigree(read_file(input), input);
    const auto files = loopcut::bench::generate_markers(records, o);
    write_file(argv[2], files.linkage);
    write_file(argv[3], files.data);
    std::cout << records.size() << " records, " << files.typed << " typed\n";
  } catch (const std::exception& e) {
    std::cerr << "gen_markers: " << e.what() << '\n';
    return 1;
  }
  return 0;
}
