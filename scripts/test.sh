#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. CTest's summary ends the output.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
cd "${QX_BUILD_DIR:-build}"
ctest --output-on-failure -j"$(nproc)"
