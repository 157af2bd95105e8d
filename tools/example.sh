#!/usr/bin/env bash
# Builds the programs and runs the whole pipeline on the bundled example:
#   1. ionoscan, twice: the first and the second day of the 48 hourly
#      synthetic soundings in example/rsf (answers in example/input);
#   2. append: the two days' band-1 series merged into one series file;
#   3. ptfit: a constant plus one sinusoid fitted to the merged series
#      (tools/example-ptfit.sh), as an MPI job of 2 processes.
# Everything it writes goes to build/example/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target ionoscan append ptfit >/dev/null
top="$(pwd)"
out="$top/build/example"
rm -rf "$out"
mkdir -p "$out"

echo "== ionoscan: RSF soundings -> _maxima_ series files"
for part in day1 day2; do
  mkdir -p "$out/$part"
  cp example/input "$out/$part/input"
  if [ "$part" = day1 ]; then
    head -n 24 example/list
  else
    tail -n 24 example/list
  fi | sed "s|^|$top/example/|" > "$out/$part/list"
  (cd "$out/$part" && "$top/build/ionogram/ionoscan" > ionoscan.out)
  echo "   $part: $(grep -c . "$out/$part/list") soundings ->" \
    "$(cd "$out/$part" && ls ./*_maxima_* | xargs -n1 basename | tr '\n' ' ')"
done

echo "== append: both days' band-1 series merged into series.dat"
for part in day1 day2; do
  printf "'%s'\n'%s'\n" "$out/series.dat" "$out/$part/example_maxima_1.dat" |
    "$top/build/append/append" > "$out/append_$part.out"
done
echo "   series.dat holds $(grep -c . "$out/series.dat") records"

echo "== ptfit: model 1 (constant + sinusoid) fitted with 2 processes"
bash tools/example-ptfit.sh "$out/series.dat" 2
