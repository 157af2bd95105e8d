#!/usr/bin/env bash
# Writes the RSF seeds of the rsf fuzz target into fuzz/corpus/rsf/ with
# the synthetic sounding generator: whole files of 128, 256 and 512 heights
# over one to three blocks, and three of them cut short (inside the first
# header, inside a group, inside the padding).
# Usage: fuzz/corpus/make_rsf_seeds.sh BUILD_DIR
set -euo pipefail
rsfmake="$(realpath "$1")/tools/rsfgen/rsfmake"
cd "$(dirname "$0")/rsf"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
seed() {  # name, then rsfmake keys
  local name=$1
  shift
  "$rsfmake" dir="$tmp" prefix=s list="$tmp/list" count=1 "$@"
  mv "$tmp/s_000000.RSF" "$name"
}
seed h128-1block.rsf year=10 doy=152 hour=10 minute=15 layer=250 \
  background=2 spread=2 f1=2.0 f2=5.0 fstep=0.5
seed h128-3blocks.rsf year=4 doy=60 hour=23 minute=45 layer=180 \
  amplitude=20 background=0 f1=1.0 f2=4.0 fstep=0.2
seed h256-2blocks.rsf nhts=256 year=99 doy=365 layer=300 spread=3 \
  f1=2.0 f2=5.0 fstep=0.5
seed h512-2blocks.rsf nhts=512 year=0 doy=1 hour=12 layer=400 \
  background=5 f1=3.0 f2=4.0 fstep=0.5
head -c 59 h128-1block.rsf > cut-in-header.rsf
head -c 3000 h128-1block.rsf > cut-in-group.rsf
head -c 4050 h128-1block.rsf > cut-in-padding.rsf
