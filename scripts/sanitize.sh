#!/usr/bin/env bash
# Builds with the address and undefined-behaviour sanitizers in build-asan/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
if [ ! -f build-asan/CMakeCache.txt ]; then
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQX_SANITIZE=ON -DQX_BENCH=OFF \
        -DQX_WERROR=ON
fi
cmake --build build-asan -j"$(nproc)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
cd build-asan
ctest --output-on-failure -j"$(nproc)" "$@"
