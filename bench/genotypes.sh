#!/usr/bin/env bash
# Benchmark of genotype weights: marker data generated for each real pedigree set of
# ../shared/data/real/ (8 markers of 3 to 12 alleles passed down by Mendel's rules, the youngest
# generations mostly typed, the older ones seldom; seed 1), written as a LINKAGE file and its
# data file. Once ped_prep takes --genotypes, each set is cut with them and the table gives the
# log10 of the breakers' genotype combinations with unit weights and with genotype weights, and
# the wall time (s) of the run.
#   bash bench/genotypes.sh [DIR]   (DIR keeps the generated files; a scratch folder otherwise)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target ped_prep cost_prep cut_select cut_improve ped_cut gen_markers measure \
  >/dev/null
bin=$build/bin
if [ $# -gt 0 ]; then
  work=$1
  mkdir -p "$work"
else
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi

# The run step needs ped_prep's --genotypes; until it has it, the data are only generated.
runs=no
help=$("$bin/ped_prep" --help 2>&1 || true)
case $help in *--genotypes*) runs=yes ;; esac

row() { printf '%-11s %8s %7s %12s %12s %8s\n' "$@"; }
if [ $runs = yes ]; then
  row set records typed "unit log10" "geno log10" seconds
else
  echo "ped_prep has no --genotypes yet: the marker data are generated, not run" >&2
  row set records typed "" "" ""
fi

# "genotype combinations of the breakers after elimination: 10^342.3 (unit weights: 10^752.4)", the total line
# (the lines per pedigree end with " in ...") -> "752.4 342.3"
powers_of() {
  grep "^genotype combinations of the breakers after elimination: " "$1" | grep -v ' in ' | tail -n 1 |
    sed -E 's/.*: 10\^([0-9.]+) \(unit weights: 10\^([0-9.]+)\).*/\2 \1/'
}

real=$root/../shared/data/real
failed=no
for set in darwin/darwin royal92/royal92 quebec/loyalist/loyal quebec/saguenay/sag \
           hinterwald/hinterw eeza/eeza squirrel/squirrel; do
  ped=$real/$set.ped
  [ -f "$ped" ] || continue
  name=$(basename "$(dirname "$set")")
  out=$work/$name
  mkdir -p "$out"
  typed=$("$build/bench/gen_markers" "$ped" "$out/$name.pre" "$out/$name.dat" 1 |
          awk '{ print $3 }')
  records=$(wc -l < "$out/$name.pre")
  if [ $runs = no ]; then
    row "$name" "$records" "$typed" "" "" ""
    continue
  fi
  if ! "$build/bench/measure" "$out/run.time" "$bin/ped_prep" run linkage "$out/$name.pre" \
      --genotypes "$out/$name.dat" -o "$out/${name}_cut.pre" >"$out/run.out" 2>"$out/run.err" \
      </dev/null; then
    echo "$name: ped_prep run stopped:" >&2
    cat "$out/run.err" >&2
    failed=yes
    continue
  fi
  read -r t _ _ < "$out/run.time"
  cat "$out/run.out" "$out/run.err" > "$out/run.all"
  read -r unit geno < <(powers_of "$out/run.all")
  row "$name" "$records" "$typed" "$unit" "$geno" "$t"
done
[ $failed = no ]
