// ped_prep's reader of the chain's pedigree files (its input format, and the cut pedigree the
// chain gives back) on arbitrary files.
//
// Input: byte 0 picks the encoding and line end (see text_forms.hpp); byte 1 bit 0 lets
// identifiers differ from their rows; the rest is the file. Both readers read it: each gives
// records that point at their lines and at parents among them, or refuses with a message.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.hpp"
#include "import_checks.hpp"
#include "ped_prep/formats/chain_format.hpp"
#include "text_forms.hpp"

using namespace loopcut::fuzz;
using namespace loopcut::prep;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  fresh_work_dir();
  write_file("in.ped", file_in_form(data[0], rest(data, size, 2)));
  const bool ids_are_rows = (data[1] & 1) == 0;
  std::string broken;
  const Outcome file = run_captured([&] {
    const ChainFile f = read_chain_file("in.ped", ids_are_rows);
    for (std::size_t r = 0; r < f.records.size(); ++r) {
      const ChainRecord& c = f.records[r];
      if (ids_are_rows && c.id != static_cast<int>(r) + 1) broken = "an identifier not its row";
      if (c.line < 2) broken = "a record on the header's line";
    }
  });
  if (!broken.empty()) fail(broken, file);
  check_common(file, false);
  const Outcome input = run_captured([&] {
    broken = broken_checks(read_chain_input("in.ped"), false);
  });
  if (!broken.empty()) fail(broken, input);
  check_common(input, false);
  return 0;
}
