#!/usr/bin/env bash
# Builds the programs and runs them on the bundled example.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target ionoscan append ptfit
echo "ionoscan, append and ptfit are built in build/; the example pipeline follows."
