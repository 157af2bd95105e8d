#!/usr/bin/env bash
# The README's first command: installs what is missing, builds the programs
# and runs the example pipeline (tools/example-run.sh) into build/example:
# ten days of generated soundings, ionoscan on each of their two parts,
# append, ptfit with two sinusoids, and the pictures.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
echo "== building the programs (build/)"
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" \
  --target rsfmake ionoscan append ptfit ptsummary rsfdump >/dev/null
rm -rf build/example
bash tools/example-run.sh "$@" build/example
