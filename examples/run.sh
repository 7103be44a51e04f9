#!/usr/bin/env bash
# Builds the four programs and runs the whole job on the bundled example: ped_prep checks the
# pedigree, runs cost_prep, cut_select and ped_cut in a scratch directory, checks that no loop is
# left and nobody is lost, and writes the cut pedigree with the original labels.
# (examples/run_chain.sh runs the three programs by hand and shows every file they write.)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-build}
cd "$root"
. tools/need_solver.sh
need_solver
# Only the four programs: no tests, so no GoogleTest needed. A build directory configured before
# keeps its own settings.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" >/dev/null
else
  cmake -S . -B "$build" -DLOOPCUT_TESTS=OFF >/dev/null
fi
cmake --build "$build" -j2 --target cost_prep cut_select ped_cut ped_prep cut_improve >/dev/null
bin=$(cd "$build/bin" && pwd)

out=$(mktemp -d)
"$bin/ped_prep" run chain examples/family.ped -o "$out/family_cut.ped" \
  --weights examples/rrr.dat --double examples/list.dat
echo
echo "== cut pedigree file $out/family_cut.ped"
cat "$out/family_cut.ped"
echo "== copies and their originals"
cat "$out/family_cut.ped.copies.tsv"
