#!/usr/bin/env bash
# Installs what building, running and testing need, when something is missing (as root).
set -euo pipefail

packages=(
    cmake make
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
    wine wine64 locales fonts-ipafont-gothic
    xvfb xdotool x11-utils imagemagick
    doctest-dev
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update
    apt-get install -y --no-install-recommends "${missing[@]}"
fi
