#!/usr/bin/env bash
# Configures (once) and builds the project in build/. Extra arguments go to cmake's configure step.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QX_BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
    cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQX_WERROR=ON "$@"
fi
cmake --build "$build_dir" -j"$(nproc)"
