#!/usr/bin/env bash
# The Windows package of one build: its four files, and an exe that runs on a clean Windows.
#   tests/package_test.sh PRESET OBJDUMP
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dist=$(mktemp -d)
trap 'rm -rf "$dist"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

made=$(DIST_DIR="$dist" bash "$root/scripts/package.sh" "$1")
zip=$(grep '\.zip$' <<<"$made")
[ "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "README.txt stage.bmp velto.bmp veltoCD.exe " ] || fail "contents of $zip"
unzip -q "$zip" -d "$dist/files"
cmp -s "$dist/files/stage.bmp" "$root/assets/stage.bmp" && cmp -s "$dist/files/velto.bmp" "$root/assets/velto.bmp" ||
    fail "the pictures"
grep -q '曲名' "$dist/files/README.txt" && grep -q 'Where the settings live' "$dist/files/README.txt" || fail "the README"

exe="$dist/files/veltoCD.exe"
headers=$("$2" -p "$exe")
machine=$([ "$1" = win32 ] && echo '(PE32)' || echo '(PE32+)')
grep '^Magic' <<<"$headers" | grep -qF "$machine" || fail "not a $machine image"
grep -q '^Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI program"
# Only the system's own DLLs: nothing of the compiler's runtime may be needed beside it.
others=$(sed -n 's/^\tDLL Name: //p' <<<"$headers" | tr a-z A-Z |
         grep -vxE 'KERNEL32.DLL|USER32.DLL|GDI32.DLL|SHELL32.DLL|WINMM.DLL|COMCTL32.DLL|ADVAPI32.DLL|WINHTTP.DLL' || true)
[ -z "$others" ] || fail "imports $others"
# The win32 build also makes the installer users get; the installer test runs it.
if [ "$1" = win32 ]; then
    "$2" -p "$(grep -- '-setup\.exe$' <<<"$made")" | grep '^Magic' | grep -qF '(PE32)' || fail "no 32-bit installer"
fi
size=$(stat -c %s "$exe")
echo "$1: veltoCD.exe is $size bytes"
[ "$size" -le $((64 * 1024)) ] || fail "the exe has grown past 64 KiB"
