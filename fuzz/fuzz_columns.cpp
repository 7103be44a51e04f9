// The LINKAGE and .fam readers on arbitrary files, with and without --add-missing-parents, and
// the checks that follow them in an import.
//
// Input: byte 0 picks the encoding and line end (see text_forms.hpp); byte 1 the reader (bit 0:
// fam, else linkage) and whether missing parents are added (bit 1); the rest is the file.
// A refusal must come with a message; every record must point at its line of the file.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.hpp"
#include "import_checks.hpp"
#include "ped_prep/formats/linkage_fam.hpp"
#include "text_forms.hpp"

using namespace loopcut::fuzz;
using namespace loopcut::prep;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  fresh_work_dir();
  write_file("in.pre", file_in_form(data[0], rest(data, size, 2)));
  const bool fam = (data[1] & 1) != 0;
  const bool add = (data[1] & 2) != 0;
  std::string broken;
  const Outcome o = run_captured([&] {
    PedigreeInput in = fam ? read_fam("in.pre") : read_linkage("in.pre");
    if (add) add_missing_parents(in);
    broken = broken_checks(in, true);
    for (const Person& p : in.people) {
      if (p.line < 1 || static_cast<std::size_t>(p.line) > in.lines.size())
        broken = "a record without its line";
      if (p.id.empty()) broken = "a record without an identifier";
    }
  });
  if (!broken.empty()) fail(broken, o);
  check_common(o, false);
  return 0;
}
