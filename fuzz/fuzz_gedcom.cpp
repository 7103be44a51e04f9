// The GEDCOM reader on arbitrary files, in every encoding and line end, and the checks that
// follow it in an import.
//
// Input: byte 0 picks the encoding and line end (see text_forms.hpp); the rest is the file.
// A file is read, checked and, when sound, prepared for the chain. A refusal must come with a
// message, and every problem found must say something.
#include <cstddef>
#include <cstdint>
#include <string>

#include "harness.hpp"
#include "import_checks.hpp"
#include "ped_prep/formats/gedcom.hpp"
#include "text_forms.hpp"

using namespace loopcut::fuzz;
using namespace loopcut::prep;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  fresh_work_dir();
  write_file("in.ged", file_in_form(data[0], rest(data, size, 1)));
  std::string broken;
  const Outcome o = run_captured([&] {
    const PedigreeInput in = read_gedcom("in.ged");
    broken = broken_checks(in, true);
    if (in.gedcom.size() < in.people.size()) broken = "more individuals than records";
  });
  if (!broken.empty()) fail(broken, o);
  check_common(o, false);
  return 0;
}
