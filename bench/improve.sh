#!/usr/bin/env bash
# Benchmark of cut_improve: per real pedigree set (unit weights) and per generated herd, the cut
# of the step search (cut_select), the cut after cut_improve, whether it is proven optimal, and
# cut_improve's wall time (s) and peak memory (MB).
#   bash bench/improve.sh [SECONDS]     (the time budget, default 10)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-$root/build}
budget=${1:-10}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target cost_prep cut_select cut_improve gen_pedigree measure >/dev/null
bin=$build/bin
measure=$build/bench/measure
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

row() { printf '%-12s %8s %16s %16s %-8s %7s %6s\n' "$@"; }
row set records "step search" "cut_improve" optimal seconds MB

# "TOTAL BEFORE: COST= 153.0 STARS= 153" -> "153.0 (153)"
cost_of() { awk -v k="$1" '$1 == "TOTAL" && $2 == k { print $4 " (" $6 ")" }' "$2"; }

run_set() {
  local name=$1 dir=$2 records=$3 t m s proven
  if [ -f "$dir/task_w_fin.inp" ]; then (cd "$dir" && "$bin/cost_prep" >cost.out </dev/null); fi
  (cd "$dir" && "$bin/cut_select" >select.out </dev/null)
  (cd "$dir" && LOOPCUT_IMPROVE_SECONDS=$budget "$measure" improve.time "$bin/cut_improve" \
    >improve.out 2>improve.err </dev/null) || true
  read -r t m s < "$dir/improve.time"
  if [ "$s" != 0 ]; then
    echo "$name: cut_improve stopped with status $s" >&2
    cat "$dir/improve.err" >&2
    return 1
  fi
  proven=no
  grep -q '^ TOTAL AFTER:.* proven optimal$' "$dir/improve.out" &&
    ! grep -q 'not proven' <(grep '^ TOTAL AFTER:' "$dir/improve.out") && proven=yes
  row "$name" "$records" "$(cost_of BEFORE: "$dir/improve.out")" \
    "$(cost_of AFTER: "$dir/improve.out")" "$proven" "$t" "$m"
}

real=$root/../shared/data/real
for set in darwin/darwin royal92/royal92 quebec/loyalist/loyal quebec/saguenay/sag \
           hinterwald/hinterw eeza/eeza squirrel/squirrel; do
  src=$real/$(dirname "$set")
  [ -d "$src" ] || continue
  name=$(basename "$(dirname "$set")")
  mkdir -p "$work/$name"
  cp "$src/task.inp" "$src/$(basename "$set").ped" "$src/$(basename "$set").w" "$work/$name/"
  run_set "$name" "$work/$name" "$(($(wc -l < "$src/$(basename "$set").ped") - 1))"
done

# Generated herds (weights from cost_prep): few founders, relatives mating, mothers changing
# mates; then herds whose first few sires, bred by insemination, father a large share of the
# calves (hundreds of mates each, so the mates ceiling is raised).
for n in 1000 5000; do
  "$build/bench/gen_pedigree" "$n" 1 1 0 "$work/gen$n" >/dev/null
  run_set "gen$n" "$work/gen$n" "$n"
done
export LOOPCUT_M_STAR=5000
"$build/bench/gen_pedigree" 2000 1 1 0 4 30 40 "$work/ai2000" >/dev/null
run_set ai2000 "$work/ai2000" 2000
"$build/bench/gen_pedigree" 5000 1 2 0 6 40 30 "$work/ai5000" >/dev/null
run_set ai5000 "$work/ai5000" 5000
