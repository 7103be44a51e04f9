#!/usr/bin/env bash
# Benchmark of cut_improve: per real pedigree set, with unit weights and with random whole weights
# from 1 to 10, the cost of the step search's cut (cut_select), the cost after cut_improve, the
# bound, the gap, whether the cut is proven optimal, and cut_improve's wall time (s) and peak
# memory (MB).
#   bash bench/improve.sh [BUDGET]     (the work budget in seconds of a two-core machine, default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-$root/build}
budget=${1:-10}
. "$root/tools/need_solver.sh"
need_solver
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target cut_select cut_improve measure >/dev/null
bin=$build/bin
measure=$build/bench/measure
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

row() { printf '%-10s %-7s %8s %8s %8s %8s %6s %-7s %7s %6s\n' "$@"; }
row set weights records "step" after bound gap% proven seconds MB

# " TOTAL BEFORE: COST= 153.0 STARS= 153" -> 153.0
total() { awk -v k="$1" '$1 == "TOTAL" && $2 == k { print $4 }' "$2"; }
gap() { awk '$1 == "TOTAL" && $2 == "BOUND:" { print $6 }' "$1"; }

run_set() {
  local name=$1 kind=$2 dir=$3 records=$4 t m s proven
  (cd "$dir" && "$bin/cut_select" >select.out </dev/null)
  (cd "$dir" && LOOPCUT_IMPROVE_BUDGET=$budget "$measure" improve.time "$bin/cut_improve" \
    >improve.out 2>improve.err </dev/null) || true
  read -r t m s < "$dir/improve.time"
  if [ "$s" != 0 ]; then
    echo "$name: cut_improve stopped with status $s" >&2
    cat "$dir/improve.err" >&2
    return 1
  fi
  proven=no
  grep -q '^ TOTAL AFTER:.* proven optimal$' "$dir/improve.out" &&
    ! grep -q '^ TOTAL AFTER:.*not proven' "$dir/improve.out" && proven=yes
  grep -q '^ STOPPED' "$dir/improve.out" && proven="$proven (clock)"
  row "$name" "$kind" "$records" "$(total BEFORE: "$dir/improve.out")" \
    "$(total AFTER: "$dir/improve.out")" "$(total BOUND: "$dir/improve.out")" \
    "$(gap "$dir/improve.out")" "$proven" "$t" "$m"
}

real=$root/../shared/data/real
for set in darwin/darwin royal92/royal92 quebec/loyalist/loyal quebec/saguenay/sag \
           hinterwald/hinterw eeza/eeza squirrel/squirrel; do
  src=$real/$(dirname "$set")
  [ -d "$src" ] || continue
  name=$(basename "$(dirname "$set")")
  base=$(basename "$set")
  records=$(($(wc -l < "$src/$base.ped") - 1))
  for kind in unit random; do
    dir=$work/$name-$kind
    mkdir -p "$dir"
    cp "$src/task.inp" "$src/$base.ped" "$dir/"
    if [ "$kind" = unit ]; then
      cp "$src/$base.w" "$dir/"
    else
      # The same weights on every run: whole numbers 1 to 10 from a fixed seed.
      awk 'BEGIN { srand(20261207) } { print $1, 1 + int(rand() * 10) ".0" }' \
        "$src/$base.w" > "$dir/$base.w"
    fi
    run_set "$name" "$kind" "$dir" "$records"
  done
done
