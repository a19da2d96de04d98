#!/usr/bin/env bash
# Builds the Debian package build-deb/qxquendro_<version>_<arch>.deb with Debian's own tools
# (debian/, dpkg-buildpackage) and checks it with lintian. Run by hand; it takes a few minutes.
# Install it with: sudo apt-get install ./build-deb/qxquendro_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

out=build-deb
rm -rf "$out"
mkdir -p "$out/src"
# The package is built from a copy of the sources (tracked and new files, without the build
# folders), so the checkout stays clean and no earlier build leaks into the package.
git ls-files -z --cached --others --exclude-standard |
    while IFS= read -r -d '' file; do [ -e "$file" ] && printf '%s\0' "$file"; done |
    tar --null -T - -cf - | tar -xf - -C "$out/src"
(cd "$out/src" && dpkg-buildpackage -b -us -uc -j"$(nproc)")

deb=$(ls "$out"/qxquendro_*.deb)
lintian --fail-on error --info --display-info "$deb"
echo "Built $deb"
