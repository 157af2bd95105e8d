#!/usr/bin/env bash
# Fits a constant plus one sinusoid (model 1, four parameters) to a series
# file with ptfit, as one MPI job, and lists what it wrote.
# Usage: tools/example-ptfit.sh [series-file] [processes]
# Without a file it fits the bundled example/ptfit/series.txt (two days of a
# synthetic daily oscillation). ptfit must be built (tools/example.sh).
# The answers, the parameter file and the results go to build/example/ptfit/.
set -euo pipefail
cd "$(dirname "$0")/.."
series="$(realpath "${1:-example/ptfit/series.txt}")"
np="${2:-2}"
out=build/example/ptfit
mkdir -p "$out"

# The window starts at the first record with a sounding and runs to the
# end of the file; the ranges follow the values found.
read -r y d h m yend n lo hi < <(awk '
  $1 != 0 || $2 != 0 {
    if (!n) { y = $1; d = $2; h = $3; m = $4; lo = $6; hi = $6 }
    n++; yend = $1; if ($6 < lo) lo = $6; if ($6 > hi) hi = $6
  }
  END { if (!n) exit 1; print y, d, h, m, yend, n, lo, hi }' "$series") || {
  echo "no record with a sounding in $series" >&2
  exit 1
}
awk -v lo="$lo" -v hi="$hi" 'BEGIN {
  printf "constant %s %s\n", lo, hi
  printf "amplitude 0 %s\n", (hi - lo) / 2
  printf "period 18 30\n"
  printf "phase 0 6.2831853\n"
}' > "$out/params.txt"
chi2max=$(awk -v n="$n" -v lo="$lo" -v hi="$hi" 'BEGIN { print n * (hi - lo) * (hi - lo) / 16 }')

cat > "$out/answers" <<ANSWERS
1
'$(dirname "$series")/'
'$(basename "$series")'
$y $d $h $m
$yend 366 23 59
4 0
params.txt
10 2000 1 3
1
$chi2max
T 10 1.5
F 1
T
ANSWERS

export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
ptfit="$(pwd)/build/fitter/ptfit"
(cd "$out" && mpirun -np "$np" --oversubscribe "$ptfit" < answers > ptfit.out)
echo "ptfit fitted $n records of $series with $np processes; in $out:"
echo "  ptfit.out (the listing and block reports), constant.bin amplitude.bin"
echo "  period.bin phase.bin chi2.bin (histograms), reconstructed (model and"
echo "  data), scatter_0 (process 0's samples). The last block report:"
grep -A 7 'MONTE CARLO BLOCK RESULTS' "$out/ptfit.out" | tail -7
