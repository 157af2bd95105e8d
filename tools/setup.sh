#!/usr/bin/env bash
# Installs what the build and the tests need, when it is missing (Debian).
# With the argument "fuzz" also clang and its libFuzzer (tools/fuzz.sh).
set -euo pipefail
need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
[ -f /usr/include/gtest/gtest.h ] || need+=(libgtest-dev)
command -v mpicxx >/dev/null || need+=(libopenmpi-dev)
command -v mpirun >/dev/null || need+=(openmpi-bin)
command -v gnuplot >/dev/null || need+=(gnuplot-nox)
if [ "${1:-}" = fuzz ]; then
  command -v clang++ >/dev/null || need+=(clang)
  compgen -G '/usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-*.a' \
    >/dev/null || need+=(libclang-rt-dev)
fi
if [ ${#need[@]} -gt 0 ]; then
  echo "installing: ${need[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${need[@]}"
fi
