// ped_prep's whole run in this process on arbitrary files: import, the chain (the built
// programs, started as ped_prep starts them), the check and the export.
//
// Input: byte 0 picks the encoding and line end (see text_forms.hpp); byte 1 the format (bits
// 0-1: linkage, fam, gedcom, chain), --add-missing-parents (bit 2, linkage and fam) and
// --keep-one-parent (bit 3); the rest is the file. The run must end with status 0 or 1. On 1
// nothing is written and a message says why; on 0 the output reads back in its format with no
// problem and no loop, and holds every individual of the input.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "harness.hpp"
#include "ped_prep/commands/commands.hpp"
#include "ped_prep/formats/format.hpp"
#include "ped_prep/pipeline/prepare.hpp"
#include "ped_prep/pipeline/select.hpp"
#include "ped_prep/pipeline/validate.hpp"
#include "text_forms.hpp"

using namespace loopcut::fuzz;
using namespace loopcut::prep;

namespace {

const char* const kFormats[] = {"linkage", "fam", "gedcom", "chain"};

// Who an individual is across a run. The chain's format numbers anew and keeps the label; an
// individual without a label is named by its number, so only the count can follow it.
std::multiset<std::string> individuals(const PedigreeInput& in) {
  std::multiset<std::string> keys;
  for (const Person& p : in.people) {
    if (in.format != Format::chain)
      keys.insert(p.family + "\t" + p.id);
    else if (!p.extra.empty())
      keys.insert(p.extra);
  }
  return keys;
}

// The output, read back: no problem, no loop, and every individual of the input in it.
void check_output(Format format, bool keep_one_parent, const Outcome& run) {
  const Outcome back = run_captured([&] {
    const PedigreeInput in = read_input(format, "in");
    const PedigreeInput out = read_input(format, "out");
    if (!out.problems.empty())
      fail("the output reads back with a problem: " + out.problems[0], run);
    Parents parents;
    const std::vector<std::string> problems = validate(out, parents);
    if (!problems.empty()) fail("the output fails the checks: " + problems[0], run);
    PrepareOptions po;
    po.keep_one_parent = keep_one_parent;
    for (const char looped : looped_pedigrees(prepare(out, parents, po)))
      if (looped) fail("the output has a loop", run);
    if (out.people.size() < in.people.size()) fail("fewer individuals in the output", run);
    const std::multiset<std::string> before = individuals(in), after = individuals(out);
    for (const std::string& key : before)
      if (after.count(key) < before.count(key)) fail("lost in the output: " + key, run);
  });
  if (back.status != 0) fail("the output does not read back: " + back.err, run);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  fresh_work_dir();
  write_file("in", file_in_form(data[0], rest(data, size, 2)));
  const int f = data[1] & 3;
  const Format format = static_cast<Format>(f);
  const bool add = (data[1] & 4) != 0 && f < 2;
  const bool keep = (data[1] & 8) != 0;
  std::vector<std::string> args = {"run",   kFormats[f],          "in",     "-o", "out",
                                   "--bin", LOOPCUT_FUZZ_BIN_DIR, "--work", "w",  "--jobs",
                                   "1"};
  if (add) args.push_back("--add-missing-parents");
  if (keep) args.push_back("--keep-one-parent");
  // Both cuts: the step search's alone, and cut_improve's on a small budget.
  if (data[1] & 16) {
    args.push_back("--no-improve");
  } else {
    args.insert(args.end(), {"--improve", "0.05"});
  }
  int status = -1;
  Outcome o = run_captured([&] { status = ped_prep_main(args); });
  o.status = status;
  check_common(o, false);
  if (status == 1 && (file_exists("out") || file_exists("out.copies.tsv")))
    fail("a refused run wrote its output", o);
  if (status == 0) {
    if (!file_exists("out") || !file_exists("out.copies.tsv")) fail("no output after status 0", o);
    check_output(format, keep, o);
  }
  return 0;
}
