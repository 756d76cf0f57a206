#!/usr/bin/env bash
# Makes the Windows packages: dist/veltoCD-<version>-win32.zip and -win64.zip, each with the
# exe, the stage's two pictures and a README for Windows users, and the installer that puts
# these files in place, dist/veltoCD-<version>-setup.exe, holding the win32 build.
#   bash scripts/package.sh [PRESET...]     (default: win32 win64)
# DIST_DIR names another output folder. SETUP_PRESETS names the builds that get an installer
# (default: win32, the one users get); another build's is -<preset>-setup.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=${DIST_DIR:-$root/dist}
version=$(sed -n 's/^#define VELTO_VERSION_TEXT "\(.*\)"$/\1/p' "$root/res/version.h")
presets=("$@")
setups=" ${SETUP_PRESETS:-win32} "
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
    echo "$zip"
    if [[ $setups == *" $preset "* ]]; then
        setup="$dist/veltoCD-$version-$([ "$preset" = win32 ] || echo "$preset-")setup.exe"
        arch=$([ "$preset" = win32 ] && echo x86-unicode || echo amd64-unicode)
        makensis -V1 -WX -DVERSION="$version" -DFILES="$stage" -DOUTFILE="$setup" -DARCH="$arch" \
            "$root/package/veltoCD.nsi" >&2
        echo "$setup"
    fi
    rm -rf "$stage"
done
