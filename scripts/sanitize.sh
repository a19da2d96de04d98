#!/usr/bin/env bash
# Builds with the address and undefined-behaviour sanitizers in build-asan/ and runs every test,
# then builds the batch library's tests with the thread sanitizer in build-tsan/ and runs them
# (the parallel correction, the journal and the file lists are where threads meet). Arguments
# go to the first ctest.
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
(cd build-asan && ctest --output-on-failure -j"$(nproc)" "$@")

batch_tests=(BatchPaths_test Faults_test CorrectionPreview_test FileListCorrection_test
    FileList_test RunJournal_test TDoneReplaces_test)
if [ ! -f build-tsan/CMakeCache.txt ]; then
    cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_TSAN=ON \
        -DQX_GUI=OFF -DQX_BENCH=OFF -DQX_WERROR=ON
fi
cmake --build build-tsan -j"$(nproc)" --target "${batch_tests[@]}"
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
cd build-tsan
ctest --output-on-failure -j"$(nproc)" -R "^($(IFS='|'; echo "${batch_tests[*]}"))\$"
