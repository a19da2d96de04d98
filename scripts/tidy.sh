#!/usr/bin/env bash
# Runs clang-tidy with the project's .clang-tidy over every source file of the build in build/
# (configure it first with scripts/build.sh). Exits non-zero on the first file with a finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${QX_BUILD_DIR:-build}
git ls-files '*.cpp' | grep -v '^tests/fuzz/' |
    xargs -P"$(nproc)" -n4 clang-tidy -p "$build_dir" --quiet
