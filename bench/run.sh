#!/usr/bin/env bash
# Benchmark: builds the programs (Release), generates the benchmark pedigrees and runs, on each,
# the whole job `ped_prep run chain` (import, cost_prep, cut_select, ped_cut, check, export), then
# each chain program again on the files it left, and the chain on the real 16 567-record
# population register. Prints wall time (s) and peak memory (MB) of the whole job (its largest
# process) and of each program, and the peak bytes per record.
#   bash bench/run.sh [SET...]   (sets: population herd families saguenay batches; default: all)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${LOOPCUT_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 >/dev/null
bin=$build/bin
measure=$build/bench/measure
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

sets=("$@")
[ ${#sets[@]} -gt 0 ] || sets=(population herd families saguenay batches)

# The sets:
# - population: a closed loop-dense population of 300 000 records, every mate from inside;
# - herd: 200 000 records, 90 % of the children by about 100 AI sires, the first of them 42 %
#   of those (about 48 000 mates);
# - families: 10 000 families of 10 records each;
# - saguenay: the real population register;
# - batches: 1 200 000 records in 120 000 families, more than one run of the chain can number,
#   so that ped_prep runs them in batches, two at a time (as LINKAGE: the chain's own format
#   cannot number the cut pedigree).
generate() {
  case $1 in
    batches) "$build/bench/gen_pedigree" 1200000 120000 1 0 "$2" ;;
    population) "$build/bench/gen_pedigree" 300000 1 1 0 "$2" ;;
    herd) "$build/bench/gen_pedigree" 200000 1 1 0 100 90 42 "$2" ;;
    families) "$build/bench/gen_pedigree" 100000 10000 1 0 "$2" ;;
  esac
}

row() { printf '%-11s %8s %7s %7s %7s | %6s %6s | %6s %6s | %6s %6s | %6s\n' "$@"; }
row set records cuts job_s job_MB cost_s MB select_s MB cut_s MB B/rec

# Runs one program in a directory; prints "seconds MB", or fails with its last lines.
timed() {
  local dir=$1 prog=$2 t m s
  shift 2
  (cd "$dir" && "$measure" "$prog.time" "$@" >"$prog.out" 2>"$prog.err" </dev/null) || true
  read -r t m s < "$dir/$prog.time"
  if [ "$s" != 0 ]; then
    echo "$dir: $prog stopped with status $s" >&2
    tail -n 3 "$dir/$prog.out" "$dir/$prog.err" >&2
    return 1
  fi
  echo "$t $m"
}

# The chain programs again, on the files that the job's chain left in chain/ (its records,
# weights and task files), with every ceiling at the format limit: the tables grow with the
# input, so the ceilings cost nothing.
export_ceilings() {
  export LOOPCUT_N_SIZE=999999 LOOPCUT_N_FAM=999999 LOOPCUT_N_STAR=999999 LOOPCUT_M_STAR=999999
}

run_generated() {
  local name=$1 dir=$work/$1 job cost sel cut records cuts peak
  generate "$name" "$dir" >/dev/null
  records=$(($(wc -l < "$dir/gen.ped") - 1))
  job=$(timed "$dir" ped_prep "$bin/ped_prep" run chain gen.ped -o out.ped --weights rrr.dat \
    --no-improve --work chain)
  grep -q "no loops left, nobody lost" "$dir/ped_prep.out" || { echo "$name: loops left" >&2; return 1; }
  (
    export_ceilings
    cost=$(timed "$dir/chain" cost_prep "$bin/cost_prep")
    sel=$(timed "$dir/chain" cut_select "$bin/cut_select")
    cut=$(timed "$dir/chain" ped_cut "$bin/ped_cut")
    cuts=$(wc -l < "$dir/chain/res.dat")
    peak=$(echo "$job" | awk -v n="$records" '{ printf "%d", $2 * 1048576 / n }')
    # shellcheck disable=SC2086
    row "$name" "$records" "$cuts" $job $cost $sel $cut "$peak"
  )
}

run_batches() {
  local dir=$work/batches job records peak
  generate batches "$dir" >/dev/null
  tail -n +2 "$dir/gen.ped" | awk '{ print $1, $2, $3, $4, $5, 1 }' > "$dir/gen.pre"
  records=$(wc -l < "$dir/gen.pre")
  job=$(timed "$dir" ped_prep "$bin/ped_prep" run linkage gen.pre -o out.pre --jobs 2 --no-improve \
    --work chain)
  grep -q "no loops left, nobody lost" "$dir/ped_prep.out" || { echo "batches: loops left" >&2; return 1; }
  peak=$(echo "$job" | awk -v n="$records" '{ printf "%d", $2 * 1048576 / n }')
  # shellcheck disable=SC2086
  row batches "$records" "$(cat "$dir"/chain/batch-*/res.dat | wc -l)" $job - - - - - - "$peak"
}

run_register() {
  local sag=$root/../shared/data/real/quebec/saguenay dir=$work/saguenay sel cut records
  [ -d "$sag" ] || { echo "saguenay: $sag not found" >&2; return 0; }
  mkdir -p "$dir"
  cp "$sag"/task.inp "$sag"/sag.ped "$sag"/sag.w "$dir/"
  records=$(($(wc -l < "$sag/sag.ped") - 1))
  sel=$(timed "$dir" cut_select "$bin/cut_select")
  cut=$(timed "$dir" ped_cut "$bin/ped_cut")
  # shellcheck disable=SC2086
  row saguenay "$records" "$(wc -l < "$dir/res.dat")" - - - - $sel $cut \
    "$(echo "$sel $cut" | awk -v n="$records" '{ m = $2 > $4 ? $2 : $4; printf "%d", m * 1048576 / n }')"
}

for s in "${sets[@]}"; do
  case $s in
    saguenay) run_register ;;
    batches) run_batches ;;
    population | herd | families) run_generated "$s" ;;
    *) echo "unknown set $s" >&2; exit 2 ;;
  esac
done
