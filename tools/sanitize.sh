#!/usr/bin/env bash
# Builds the suite with AddressSanitizer and UBSan (IONO_SANITIZE) in
# build-sanitize/ and runs the whole test suite on it. Any out-of-bounds
# access, use after free, undefined behaviour or leak ends the program that
# did it with a report, and its test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh
export OMPI_ALLOW_RUN_AS_ROOT=1 OMPI_ALLOW_RUN_AS_ROOT_CONFIRM=1
export OMPI_MCA_rmaps_base_oversubscribe=1
# Leaks inside Open MPI (ptfit under mpirun) are suppressed by library
# (see the file); that needs whole allocation stacks, hence the slow unwinder.
export ASAN_OPTIONS=fast_unwind_on_malloc=0:detect_leaks=1
export LSAN_OPTIONS="suppressions=$PWD/tools/lsan-mpi.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1
cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Release -DIONO_SANITIZE=ON \
  -DIONO_BENCH=OFF >/dev/null
cmake --build build-sanitize -j "$(nproc)"
cd build-sanitize && ctest --output-on-failure -j "$(nproc)"
