#!/usr/bin/env bash
# Installs what building, running and testing need, when something is missing (as root):
# Debian's packages, then the Debian root that holds Wine (scripts/wine-root.sh).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

packages=(
    cmake make clang-format
    g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
    debootstrap xvfb xdotool x11-utils imagemagick zip unzip
    doctest-dev nsis libjsmn-dev python3 libdiscid0
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
bash "$here/wine-root.sh"
