#!/usr/bin/env bash
# Builds the programs and runs the whole chain on the bundled example in a scratch working
# directory: cost_prep writes the weight files, cut_select the report res.dat, ped_cut the cut
# pedigree file. Shows what each program wrote. LOOPCUT_BUILD_DIR picks another build directory
# (default: build, under the project root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-build}
cd "$root"
cmake -S . -B "$build"
cmake --build "$build" -j2
bin=$(cd "$build/bin" && pwd)

work=$(mktemp -d)
find "$root/examples" -maxdepth 1 -type f ! -name "*.sh" -exec cp {} "$work"/ \;
cd "$work"
echo "== working directory: $work"

for prog in cost_prep cut_select ped_cut; do
  echo "== $prog"
  "$bin/$prog" </dev/null
done

echo "== weights (w_res.dat: star, w0, ws, wl)"
cat w_res.dat
echo "== report res.dat"
cat res.dat
cut_file=$(awk 'NR == 3 { print $1 }' task.inp)
echo "== cut pedigree file $cut_file"
cat "$cut_file"
