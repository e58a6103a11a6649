#!/bin/bash
# Installs the Debian packages Rechenfrucht needs that are not there yet.
# Safe to run again and again: it installs only what is missing.
# Usage: scripts/install-deps.sh [build|test]   (default: test, which is all)
set -euo pipefail

build_pkgs=(
    cmake make g++ pkg-config
    libsdl2-dev libsdl2-mixer-dev libsdl2-ttf-dev libsqlite3-dev
    fonts-freefont-ttf librsvg2-dev libcairo2-dev
)
test_pkgs=(
    libgtest-dev xvfb openbox xdotool wmctrl imagemagick faketime sqlite3
    dpkg-dev file fakeroot lintian desktop-file-utils appstream sox
    weston xwayland sway grim jq
    diffoscope-minimal python3-debian piuparts debootstrap
)

pkgs=("${build_pkgs[@]}")
[ "${1:-test}" = test ] && pkgs+=("${test_pkgs[@]}")

missing=()
for p in "${pkgs[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
    as_root=()
elif command -v sudo >/dev/null; then
    as_root=(sudo)
else
    echo "Missing packages (${missing[*]}) and neither root nor sudo: please install them." >&2
    exit 1
fi
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
