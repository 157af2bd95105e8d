#!/usr/bin/env bash
# Builds the fuzz targets of fuzz/ with clang (libFuzzer, AddressSanitizer,
# UBSan) in build-fuzz/ and runs each on its committed corpus for a bounded
# time. Fails on a crash, a hang, a leak, an out-of-bounds access, undefined
# behaviour or a broken promise of a decoder; the input that did it is left
# in build-fuzz/artifacts/ (replay it: build-fuzz/fuzz/<target>_fuzz FILE).
# New inputs found go to build-fuzz/corpus/<target>/, never to fuzz/corpus/.
# Usage: tools/fuzz.sh [seconds per target (60)] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh fuzz
seconds=${1:-60}
targets=(rsf freeform series paramsfile)
if [ $# -gt 1 ]; then
  shift
  targets=("$@")
fi

CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release \
  -DIONO_FUZZ=ON -DBUILD_TESTING=OFF -DIONO_BENCH=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]/%/_fuzz}"

mkdir -p build-fuzz/artifacts
failed=()
for t in "${targets[@]}"; do
  # An RSF seed runs to three blocks; text inputs stay short.
  max_len=4096
  [ "$t" = rsf ] && max_len=12288
  mkdir -p "build-fuzz/corpus/$t"
  echo "fuzzing $t for $seconds s"
  # -timeout: one input taking 10 s is a hang; the outer timeout guards
  # against the fuzzer itself never ending.
  if ! timeout $((seconds + 120)) "build-fuzz/fuzz/${t}_fuzz" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len="$max_len" -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$t-" \
    "build-fuzz/corpus/$t" "fuzz/corpus/$t" >"build-fuzz/$t.log" 2>&1; then
    failed+=("$t")
    tail -n 60 "build-fuzz/$t.log"
  fi
  grep -E '^(Done|stat::number_of_executed_units)' "build-fuzz/$t.log" || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets failed: ${failed[*]} (logs in build-fuzz/, inputs in build-fuzz/artifacts/)"
  exit 1
fi
echo "fuzz targets passed: ${targets[*]}"
