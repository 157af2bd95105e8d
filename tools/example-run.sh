#!/usr/bin/env bash
# The example pipeline on soundings that it generates, for the built
# programs:
#   1. rsfmake: a station sounding every 15 minutes for ten days from
#      2010-06-01 06:00 (day 152), in two parts with a day between them:
#      4 days, then 5 days. The layer's virtual height is
#        250 + 25 sin(2 pi t / 24 + 0.5) + 10 sin(2 pi t / 12 + 1.0) km
#      (t in hours since 00:00 of day 152) plus noise of 3 km (standard
#      deviation, reproducible: seed 1); X and O groups from 2 to 6 MHz,
#      recorded through a gain control (attenuation per sounding, gain
#      code per group) over receiver noise, with daytime absorption.
#   2. ionoscan on each part (answers example/input, 15-minute steps).
#   3. append: both parts' band-1 series joined into one series file.
#   4. ptfit: model 1 with two sinusoids (7 parameters, ranges in
#      example/params.txt) as an MPI job of 2 processes with tempering;
#      ptsummary: the fit's medians, intervals and convergence figures.
#   5. tools/plot: every series, every ptfit result (the chains' traces
#      and pairs too) and one ionogram.
# It prints the truth beside ptfit's fitted values and where everything is.
#
# usage: tools/example-run.sh [options] OUTDIR
#   --help            this text
#   --build DIR       the build tree with the programs (default: build/ of
#                     the repository)
#   --mpirun 'CMD'    how to start ptfit's 2 processes (default: mpirun -np 2
#                     --oversubscribe, told that root may run it)
#   --days A,B        days of sounding in the two parts (default 4,5)
#   --blocks N        ptfit's blocks (default 10); statistics from the
#                     block after 3/10 of them
#   --moves N         ptfit's moves per block (default 6000)
# OUTDIR must be new, empty or the folder of an earlier run (which is
# replaced). Without gnuplot the pictures are left out (with a note).
# Exit status: 0 done, 1 a step failed, 2 wrong arguments.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
top="$(dirname "$here")"
build="$top/build"
mpirun_cmd=""
days1=4 days2=5 blocks=10 moves=6000

fail() {
  echo "example: $2" >&2
  exit "$1"
}

usage() {  # the head of this file, without its comment marks
  sed -n '2,/^set -euo/p' "$0" | sed '$d; s/^# \{0,1\}//'
}

out=""
while [ $# -gt 0 ]; do
  case $1 in
    --help)
      usage
      exit 0
      ;;
    --build | --mpirun | --days | --blocks | --moves)
      [ $# -ge 2 ] || fail 2 "$1 needs a value (see $0 --help)"
      case $1 in
        --build) build=$2 ;;
        --mpirun) mpirun_cmd=$2 ;;
        --days) IFS=, read -r days1 days2 <<<"$2" ;;
        --blocks) blocks=$2 ;;
        --moves) moves=$2 ;;
      esac
      shift
      ;;
    -*) fail 2 "unknown option $1 (see $0 --help)" ;;
    *)
      [ -z "$out" ] || fail 2 "one OUTDIR only (see $0 --help)"
      out=$1
      ;;
  esac
  shift
done
[ -n "$out" ] || fail 2 "no OUTDIR (see $0 --help)"
for n in "$days1" "$days2" "$blocks" "$moves"; do
  [[ $n =~ ^[1-9][0-9]{0,5}$ ]] || fail 2 "not a count from 1 to 999999: \"$n\""
done
build="$(cd "$build" && pwd)" || fail 2 "no build tree $build"
rsfmake="$build/tools/rsfgen/rsfmake"
ionoscan="$build/ionogram/ionoscan"
append="$build/append/append"
ptfit="$build/fitter/ptfit"
ptsummary="$build/summary/ptsummary"
export IONO_RSFDUMP="$build/ionogram/rsfdump"
for p in "$rsfmake" "$ionoscan" "$append" "$ptfit" "$ptsummary" "$IONO_RSFDUMP"; do
  [ -x "$p" ] || fail 1 "$p is not built"
done
if [ -z "$mpirun_cmd" ]; then
  # Open MPI refuses to run as root unless told; 2 processes may share
  # fewer cores than that.
  if [ "$(id -u)" -eq 0 ]; then
    export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
  fi
  mpirun_cmd="mpirun -np 2 --oversubscribe"
fi

# The truth: the generator's keys. Its clock counts hours from 00:00 of
# the first day; the soundings start at `hour`.
year=10 doy=152 hour=6 every=15
layer=250 swing=25 period=24 phase=0.5 swing2=10 period2=12 phase2=1.0
jitter=3 seed=1

# An earlier run's folder (it holds the mark) is replaced; any other folder
# must be empty or new.
if [ -d "$out" ] && [ -n "$(ls -A "$out")" ]; then
  [ -f "$out/.example-run" ] ||
    fail 2 "$out holds files of something else: give a new or empty OUTDIR"
  rm -rf "$out"
fi
mkdir -p "$out/rsf" "$out/part1" "$out/part2" "$out/fit"
: >"$out/.example-run"
out="$(cd "$out" && pwd)"
start=$SECONDS

per_day=$((24 * 60 / every))
count=$(((days1 + days2) * per_day))
echo "== rsfmake: $count soundings every $every minutes, days $days1 + $days2 with a day between"
(cd "$out/part1" && "$rsfmake" dir=../rsf prefix=station list=list \
  list2=../part2/list count="$count" gap_after=$((days1 * per_day)) gap=1440 \
  year=$year doy=$doy hour=$hour every=$every nhts=128 \
  f1=2.0 f2=6.0 fstep=0.1 layer=$layer swing=$swing period=$period \
  phase=$phase swing2=$swing2 period2=$period2 phase2=$phase2 \
  jitter=$jitter seed=$seed spread=2 \
  agc=1 echo=0 noise=-20 absorption=20 xloss=3) || fail 1 "rsfmake failed"
echo "   $out/rsf: $(du -sh "$out/rsf" | cut -f1)"

echo "== ionoscan on each part: RSF soundings -> _maxima_ series, two bands"
for part in part1 part2; do
  cp "$top/example/input" "$out/$part/input"
  (cd "$out/$part" && "$ionoscan" >ionoscan.out) ||
    fail 1 "ionoscan failed in $out/$part (see ionoscan.out)"
  ls "$out/$part"/station_maxima_1.dat >/dev/null ||
    fail 1 "ionoscan wrote no series in $out/$part (see ionoscan.out)"
  echo "   $part: $(grep -c . "$out/$part/list") soundings ->" \
    "$(cd "$out/$part" && echo station_maxima_*.dat)"
done

echo "== append: both parts' band-1 series joined into station_maxima_1.dat"
for part in part1 part2; do
  printf "'station_maxima_1.dat'\n'%s/station_maxima_1.dat'\n" "$part" |
    (cd "$out" && "$append" >"append_$part.out") ||
    fail 1 "append failed (see $out/append_$part.out)"
done
series="$out/station_maxima_1.dat"
echo "   $(grep -c . "$series") records"

# The window: from the first record with a sounding to the end of the file.
read -r wy wd wh wm n < <(awk '$1 != 0 || $2 != 0 {
    if (!n) { y = $1; d = $2; h = $3; m = $4 }
    n++ }
  END { if (n) print y, d, h, m, n }' "$series") ||
  fail 1 "no record with a sounding in $series"
statistics=$((blocks * 3 / 10))
cp "$top/example/params.txt" "$out/fit/params.txt"
cat >"$out/fit/answers" <<ANSWERS
1                        model 1: a constant plus sinusoids
'../'                    directory of the series file
'station_maxima_1.dat'   the series file
$wy $wd $wh $wm              window start: the first record
$wy 366 23 59            window end: beyond the last record
7 0                      7 parameters: constant, then 2 x (amplitude, period, phase)
params.txt               their ranges
$blocks $moves 1 $statistics             blocks, moves a block, sweeps a move, blocks before the statistics
1                        Metropolis
$((5 * n))                    chi2max: top of the chi-square histogram
T 10 1000                tempering, exchanges every 10 moves, temperature ratio
F 1                      one ladder
T                        scatter file
ANSWERS
echo "== ptfit: 7 parameters fitted to $n points with 2 processes ($blocks blocks of $moves moves)"
# shellcheck disable=SC2086 # the launcher is a command with its options
(cd "$out/fit" && $mpirun_cmd "$ptfit" <answers >ptfit.out) ||
  fail 1 "ptfit failed (see $out/fit/ptfit.out)"

printf "== the fit against the truth (t from the window start: year %s, day %s, %02d:%02d)\n" \
  "$wy" "$wd" "$wh" "$wm"
# Model 1 is sin(phase + 2 pi t / period) with t from the window start: the
# generator's phase at 00:00 of its first day moves on by 2 pi dt / period
# for the dt hours to the window start. ionoscan's running mean over 7
# steps of 15 minutes scales a sinusoid of period P by
# (1 + 2 (cos(w) + cos(2w) + cos(3w))) / 7, w = 2 pi 0.25 / P.
awk -v report="$out/fit/ptfit.out" -v summary="$out/summary.txt" \
  -v dt="$(((wd - doy) * 24 + wh))" -v dtm="$wm" -v step="$every" \
  -v layer=$layer -v a1=$swing -v p1=$period -v f1=$phase \
  -v a2=$swing2 -v p2=$period2 -v f2=$phase2 'BEGIN {
    pi = 3.141592653589793
    hours = dt + dtm / 60
    truth["constant"] = layer
    truth["amplitude_1"] = a1; truth["period_1"] = p1
    truth["amplitude_2"] = a2; truth["period_2"] = p2
    truth["phase_1"] = phase_at(f1, p1); truth["phase_2"] = phase_at(f2, p2)
    for (k in truth) seen[k] = truth[k]
    seen["amplitude_1"] = a1 * smoothing(p1)
    seen["amplitude_2"] = a2 * smoothing(p2)
    unit["constant"] = unit["amplitude_1"] = unit["amplitude_2"] = "km"
    unit["period_1"] = unit["period_2"] = "h"
    unit["phase_1"] = unit["phase_2"] = "rad"
    while ((getline line < report) > 0) {
      if (line ~ /^ *par\.name/) { n = 0; continue }
      if (split(line, f, " ") >= 6 && f[1] in truth) { fit[f[1]] = f[5]; sd[f[1]] = f[6]; n++ }
    }
    if (n != 7) { print "example: no complete block report in " report > "/dev/stderr"; exit 1 }
    printf "%-12s %10s %11s  %s\n", "parameter", "truth", "7-step mean", "fitted (mean and sigma)"
    split("constant amplitude_1 period_1 phase_1 amplitude_2 period_2 phase_2", order, " ")
    for (i = 1; i <= 7; i++) {
      k = order[i]
      printf "%-12s %10.4f %11.4f  %10s +- %-10s %s\n", k, truth[k], seen[k], fit[k], sd[k], unit[k]
      printf "%s %.17g %.17g %s %s\n", k, truth[k], seen[k], fit[k], sd[k] > summary
    }
  }
  function phase_at(phase, period,   p) {
    p = phase + 2 * pi * hours / period
    return p - 2 * pi * int(p / (2 * pi))
  }
  function smoothing(period,   w) {
    w = 2 * pi * (step / 60) / period
    return (1 + 2 * (cos(w) + cos(2 * w) + cos(3 * w))) / 7
  }' || fail 1 "cannot read the block report in $out/fit/ptfit.out"
echo "   truth: the generator's values, phases moved from 00:00 of day $doy to the window"
echo "   start; 7-step mean: what ionoscan's running mean leaves of them; fitted: the"
echo "   last block report (sigma: the spread of the samples with unit weights; the"
echo "   running mean makes neighbouring points share their noise, so the real"
echo "   uncertainty is a few times larger)"

echo "== ptsummary: the fit from its chains, blocks 1-$statistics as burn-in"
# --strict off: a warning is part of the answer, not a failure of the
# example (the README says how to read them).
(cd "$out/fit" && "$ptsummary" --params params.txt --burn "$statistics" \
  >ptsummary.out) || fail 1 "ptsummary failed (see $out/fit/ptsummary.out)"
sed 's/^/   /' "$out/fit/ptsummary.out"

echo "== pictures (tools/plot)"
if command -v gnuplot >/dev/null; then
  {
    "$here/plot" ionoscan "$out/part1"
    "$here/plot" ionoscan "$out/part2"
    "$here/plot" ionoscan "$out"
    "$here/plot" --burn "$statistics" ptfit "$out/fit" "$series"
    "$here/plot" rsf "$out/rsf/$(printf 'station_%06d.RSF' $(((12 - hour) * 60 / every)))" \
      "$out/ionogram.png"
  } >"$out/pictures.txt" || fail 1 "tools/plot failed"
  echo "   $(grep -c . "$out/pictures.txt") pictures, listed in $out/pictures.txt"
else
  echo "   gnuplot is not installed: no pictures (tools/setup.sh installs it)"
fi

cat <<EOF
== done in $((SECONDS - start)) s; everything is in $out:
   rsf/                 the soundings; ionogram.png: the one at noon of day $doy
   part1/ part2/        ionoscan's answers, list, listing (ionoscan.out),
                        series of both bands and their pictures
   station_maxima_1.dat the joined band-1 series (and its picture)
   fit/                 ptfit's answers, parameter file, listing (ptfit.out),
                        histograms NAME.bin, chi2.bin, reconstructed,
                        scatter_0, chain_0 and chain_1, and their pictures
                        (trace.png, corner.png); ptsummary's table
                        (ptsummary.out, summary.tsv)
   summary.txt          truth, 7-step mean, fitted mean and sigma a line
EOF
