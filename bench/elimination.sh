#!/usr/bin/env bash
# Benchmark of genotype elimination in the weights: per real pedigree set of ../shared/data/real/
# with generated marker data (as genotypes.sh makes them: 8 markers, seed 1) and per generated
# consanguineous family (gen_family: 50 to 400 people, 2 to 8 loops), the default cut
# (cut_select then cut_improve) is made with the typed genotype weights and with the eliminated
# ones, and each is priced by what elimination leaves: log10 of the product over the breakers of
# their genotypes left, over all the markers. Also the time of the elimination alone.
#   bash bench/elimination.sh [DIR]   (DIR keeps the generated files; a scratch folder otherwise)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target cut_select cut_improve gen_markers gen_family price_cuts \
  >/dev/null
bin=$build/bin
if [ $# -gt 0 ]; then
  work=$1
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

echo "| set | records | loops | typed weights: log10 | breakers | eliminated weights: log10 |" \
     "breakers | fewer vectors | elimination s |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|"
failed=no
# price NAME: the row of the set in $work/NAME (NAME.pre, NAME.dat).
price() {
  local out=$work/$1
  if ! "$build/bench/price_cuts" "$out/$1.pre" "$out/$1.dat" "$bin" "$out" >"$out/price.out" \
      2>"$out/price.err" </dev/null; then
    echo "$1: price_cuts stopped:" >&2
    cat "$out/price.err" >&2
    failed=yes
    return
  fi
  # records R loops L typed T B eliminated E B seconds S
  awk -v set="$1" '{ printf "| %s | %d | %d | %.1f | %d | %.1f | %d | 10^%.1f | %s |\n",
                     set, $2, $4, $6, $7, $9, $10, $6 - $9, $12 }' "$out/price.out"
}

real=$root/../shared/data/real
for set in darwin/darwin royal92/royal92 quebec/loyalist/loyal quebec/saguenay/sag \
           hinterwald/hinterw eeza/eeza squirrel/squirrel; do
  ped=$real/$set.ped
  [ -f "$ped" ] || continue
  name=$(basename "$(dirname "$set")")
  mkdir -p "$work/$name"
  "$build/bench/gen_markers" "$ped" "$work/$name/$name.pre" "$work/$name/$name.dat" 1 >/dev/null
  price "$name"
done
# PEOPLE LOOPS SEED of each family.
for family in "50 2 1" "80 3 2" "120 4 3" "160 5 4" "220 6 5" "280 7 6" "340 8 7" "400 8 8"; do
  read -r people loops seed <<<"$family"
  name=family-$people
  mkdir -p "$work/$name"
  "$build/bench/gen_family" "$people" "$loops" "$work/$name/$name.pre" "$work/$name/$name.dat" \
    "$seed" >/dev/null
  price "$name"
done
[ $failed = no ]
