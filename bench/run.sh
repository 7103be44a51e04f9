#!/usr/bin/env bash
# Benchmark: builds the programs (Release), generates loop-rich pedigrees of 1 000 to 24 000
# records, and runs the whole chain (cost_prep, cut_select, ped_cut) on each and on the real
# 16 567-record population register; prints wall time (s) and peak memory (MB) per program.
#   bash bench/run.sh [SIZES...]      (default: 1000 2000 5000 10000 24000)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
bin=$build/bin
measure=$build/bench/measure
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 2000 5000 10000 24000)

# The cut must fit the tables: read rows plus breaker copies at most 24 095. Up to 10 000
# records the population is closed (every mate from inside, loops everywhere: a quarter of the
# individuals are cut). A closed population of 24 000 would need thousands of copies, so the
# 24 000-record herd takes 99 % of its fathers from outside, which keeps its cut within the
# tables; the real population register is the large loop-rich set.
marry_in() { if [ "$1" -gt 12000 ]; then echo 990; else echo 0; fi; }

row() { printf '%-12s %8s %6s %7s %6s %7s %6s %7s %6s %8s\n' "$@"; }
row set records cuts cost_s MB select_s MB cut_s MB rows_out

run_set() {
  local name=$1 dir=$2 records=$3 cells=() t m s
  for prog in cost_prep cut_select ped_cut; do
    if [ "$prog" = cost_prep ] && [ ! -f "$dir/task_w_fin.inp" ]; then cells+=(- -); continue; fi
    (cd "$dir" && "$measure" "$prog.time" "$bin/$prog" >"$prog.out" 2>"$prog.err" </dev/null) || true
    read -r t m s < "$dir/$prog.time"
    if [ "$s" != 0 ]; then
      echo "$name: $prog stopped with status $s" >&2
      tail -n 2 "$dir/$prog.out" "$dir/$prog.err" >&2
      return 1
    fi
    cells+=("$t" "$m")
  done
  local cut_file
  cut_file=$(awk 'NR == 3 { print $1 }' "$dir/task.inp")
  row "$name" "$records" "$(wc -l < "$dir/res.dat")" "${cells[@]}" \
    "$(($(wc -l < "$dir/$cut_file") - 1))"
}

for n in "${sizes[@]}"; do
  "$build/bench/gen_pedigree" "$n" 1 1 "$(marry_in "$n")" "$work/gen$n"
  run_set "gen$n" "$work/gen$n" "$n"
done

sag=$root/../shared/data/real/quebec/saguenay
if [ -d "$sag" ]; then
  mkdir -p "$work/saguenay"
  cp "$sag"/task.inp "$sag"/sag.ped "$sag"/sag.w "$work/saguenay/"
  run_set saguenay "$work/saguenay" "$(($(wc -l < "$sag/sag.ped") - 1))"
fi
