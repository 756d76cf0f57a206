#!/usr/bin/env bash
# Makes the Windows packages: dist/veltoCD-<version>-win32.zip and -win64.zip, each with the
# exe, the stage's two pictures and a README for Windows users.
#   bash scripts/package.sh [PRESET...]     (default: win32 win64)
# DIST_DIR names another output folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=${DIST_DIR:-$root/dist}
version=$(sed -n 's/^#define VELTO_VERSION_TEXT "\(.*\)"$/\1/p' "$root/res/version.h")
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win32 win64)
mkdir -p "$dist"
for preset in "${presets[@]}"; do
    build="$root/build/$preset"
    (cd "$root" && cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset" --target veltoCD >/dev/null)
    stage=$(mktemp -d)
    cp "$build/veltoCD.exe" "$build/stage.bmp" "$build/velto.bmp" "$stage/"
    # Notepad on every Windows reads UTF-8 with its byte order mark and CRLF line ends.
    { printf '\xef\xbb\xbf'; sed 's/$/\r/' "$root/package/README.txt"; } > "$stage/README.txt"
    zip="$dist/veltoCD-$version-$preset.zip"
    rm -f "$zip"
    (cd "$stage" && zip -q -X "$zip" veltoCD.exe stage.bmp velto.bmp README.txt)
    rm -rf "$stage"
    echo "$zip"
done
