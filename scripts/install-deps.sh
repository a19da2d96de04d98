#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Quick when everything is there already: apt is only asked about what is missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev libpcre2-dev libxml2-dev libssl-dev libx11-dev libxtst-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    qt6-translations-l10n
    xvfb xauth xdotool xclip x11-utils fonts-dejavu-core dbus-daemon libglib2.0-bin
    desktop-file-utils appstream groff-base
    debhelper dpkg-dev fakeroot lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
