#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program (arguments are passed on).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh >/dev/null
exec "${QX_BUILD_DIR:-build}/qxquendro" "$@"
