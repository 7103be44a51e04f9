#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for SECONDS (default 60), one after another.
#
#   fuzz/run.sh [SECONDS] [TARGET...]
#
# New corpus entries go to build-fuzz/corpus/<target>/ (outside git); the seeds in
# fuzz/corpus/<target>/ are only read. Crashes, sanitizer reports, hangs and broken rules are
# saved to fuzz/findings/ (an absolute prefix: the targets change directory while a program
# runs). Inputs kept in fuzz/regressions/<target>/ are replayed first.
# The build uses small capacities so that the fuzzer reaches every capacity stop.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build=build-fuzz
jobs=2

# clang with its sanitizer and libFuzzer runtime, from Debian's packages, only when missing.
probe() {
  echo 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }' |
    clang++ -x c++ -fsanitize=fuzzer,address,undefined -o /tmp/loopcut-fuzz-probe.$$ - \
      >/dev/null 2>&1
  local ok=$?
  rm -f /tmp/loopcut-fuzz-probe.$$
  return $ok
}
if ! command -v clang++ >/dev/null 2>&1 || ! probe; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y clang libclang-rt-dev llvm
  probe || { echo "clang cannot build libFuzzer targets" >&2; exit 1; }
fi

CXX=clang++ cmake -S . -B "$build" -DLOOPCUT_FUZZ=ON -DLOOPCUT_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" \
  -DLOOPCUT_N_SIZE=60 -DLOOPCUT_N_FAM=8 -DLOOPCUT_N_STAR=60 -DLOOPCUT_M_STAR=6
cmake --build "$build" -j"$jobs"

if [ $# -gt 0 ]; then
  targets=("$@")
else
  targets=()
  for t in "$build"/fuzz/fuzz_*; do targets+=("$(basename "$t")"); done
fi

symbolizer=$(command -v llvm-symbolizer || ls /usr/bin/llvm-symbolizer-* 2>/dev/null | head -1 || true)
[ -n "$symbolizer" ] && export ASAN_SYMBOLIZER_PATH="$symbolizer"
export UBSAN_OPTIONS=print_stacktrace=1

mkdir -p fuzz/findings
failed=0
for t in "${targets[@]}"; do
  bin="$build/fuzz/$t"
  seeds="fuzz/corpus/${t#fuzz_}"
  regressions="fuzz/regressions/${t#fuzz_}"
  scratch="$build/corpus/${t#fuzz_}"
  mkdir -p "$scratch" "$seeds"
  if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
    echo "== $t: replaying $regressions"
    if ! "$bin" -timeout=10 -rss_limit_mb=2048 "$regressions"/* </dev/null; then
      echo "== $t: a regression input fails" >&2
      failed=1
      continue
    fi
  fi
  dict=()
  [ -f "fuzz/${t#fuzz_}.dict" ] && dict=(-dict="fuzz/${t#fuzz_}.dict")
  echo "== $t: $seconds s"
  if ! "$bin" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$PWD/fuzz/findings/$t-" "${dict[@]}" "$scratch" "$seeds" </dev/null; then
    echo "== $t: finding saved in fuzz/findings/" >&2
    failed=1
  fi
done
exit $failed
