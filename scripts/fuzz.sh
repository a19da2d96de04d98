#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs them one after the other.
#   scripts/fuzz.sh [SECONDS] [TARGET[:SECONDS]...]
# SECONDS per target (default 60); the targets default to all of them (names as in
# tests/fuzz/, with or without "_fuzz"). Each run starts from the seeds in
# tests/fuzz/corpus/<target>/ and keeps what it finds in build-fuzz/fuzz/<target>/corpus, a
# failing input in build-fuzz/fuzz/<target>/ and its log in build-fuzz/fuzz/<target>.log. Runs
# at the lowest priority, one process at a time. Exits 1 when any target failed.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QX_FUZZ_BUILD_DIR:-build-fuzz}
seconds=60
if [[ ${1:-} =~ ^[0-9]+$ ]]; then
    seconds=$1
    shift
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/*_fuzz.cpp; do targets+=("$(basename "$source" .cpp)"); done
fi

if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DQX_FUZZ=ON -DQX_GUI=OFF -DQX_BENCH=OFF -DQX_WERROR=ON
fi
names=()
for target in "${targets[@]}"; do
    name=${target%%:*}
    names+=("${name%_fuzz}_fuzz")
done
cmake --build "$build_dir" -j"$(nproc)" --target "${names[@]}"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp
failed=0
for target in "${targets[@]}"; do
    name=${target%%:*}
    name=${name%_fuzz}_fuzz
    time=$seconds
    [[ $target == *:* ]] && time=${target##*:}
    work=$build_dir/fuzz/$name
    mkdir -p "$work/corpus"
    cp -n tests/fuzz/corpus/"$name"/* "$work/corpus/" 2>/dev/null || true
    log=$build_dir/fuzz/$name.log
    echo "$(date -u +%H:%M:%S) $name: $time s, log in $log"
    if ! nice -n 19 "$build_dir/tests/$name" -max_total_time="$time" -rss_limit_mb=2048 \
        -timeout=10 -print_final_stats=1 -artifact_prefix="$work/" "$work/corpus" >"$log" 2>&1; then
        echo "$name FAILED; the input is in $work/"
        failed=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
    echo "$(date -u +%H:%M:%S) $name: ${runs:-?} runs, ${cov:-no coverage line}"
done
exit $failed
