#!/usr/bin/env bash
# Runs one Windows program under Wine in a private copy of the base prefix, on a private
# Xvfb display, and leaves nothing behind:
#   scripts/wine-run.sh PROGRAM.exe [ARGS...]
#   scripts/wine-run.sh --shell COMMAND [ARGS...]   a Unix command in that setting, with
#       velto_wine and velto_wineserver at hand and VELTO_XVFB_PID naming the X server
# Environment:
#   VELTO_WINE_WORK  folder made by make-prefix.sh (holds prefix/)
#   VELTO_CDSIM_DLL  the simulated drive to install as the cdaudio device (optional)
#   VELTO_SYSDIR     where the drive goes: system32 for x86_64, syswow64 for i686
#   VELTO_APP_EXE    the player, copied to C:\veltoCD\veltoCD.exe (optional)
#   VELTO_DPI        the display's scale in dots per inch (96 is 100 %), when not 96
#   VELTO_KEEP=1     keep the copy and print where it is (for a post-mortem)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=${VELTO_WINE_WORK:?VELTO_WINE_WORK must name the folder made by make-prefix.sh}
base="$work/prefix"
[ -f "$base/.veltocd-stamp" ] || { echo "wine-run: no prefix in $work (run make-prefix.sh)" >&2; exit 2; }
. "$here/wine-env.sh"

fail() { echo "wine-run: $*" >&2; exit 2; }
tmp=$(mktemp -d /tmp/velto-run.XXXXXX)
prefix="$tmp/prefix"
xvfb_pid=""

cleanup() {
    WINEPREFIX="$prefix" velto_wineserver -k >/dev/null 2>&1
    WINEPREFIX="$prefix" velto_wineserver -w >/dev/null 2>&1
    if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
    if [ "${VELTO_KEEP:-0}" = 1 ]; then echo "wine-run: kept $tmp" >&2; else rm -rf "$tmp"; fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Copy the prefix; the big system folders nothing writes to are hard-linked instead.
mkdir -p "$prefix/drive_c/windows" "$prefix/drive_c/cdsim" || fail "cannot make $prefix"
for entry in "$base"/* "$base"/.[!.]*; do
    [ "$(basename "$entry")" = drive_c ] || cp -a "$entry" "$prefix/" || fail "cannot copy $entry"
done
for entry in "$base"/drive_c/*; do
    [ "$(basename "$entry")" = windows ] || cp -a "$entry" "$prefix/drive_c/" || fail "cannot copy $entry"
done
for entry in "$base"/drive_c/windows/*; do
    case "$(basename "$entry")" in
        system32|syswow64|winsxs) cp -al "$entry" "$prefix/drive_c/windows/" ;;
        *) cp -a "$entry" "$prefix/drive_c/windows/" ;;
    esac || fail "cannot copy $entry"
done
if [ -n "${VELTO_CDSIM_DLL:-}" ]; then
    cp --remove-destination "$VELTO_CDSIM_DLL" "$prefix/drive_c/windows/${VELTO_SYSDIR:-system32}/cdsim.dll" ||
        fail "cannot install the simulated drive"
fi
if [ -n "${VELTO_APP_EXE:-}" ]; then
    mkdir -p "$prefix/drive_c/veltoCD" &&
        cp "$VELTO_APP_EXE" "$(dirname "$VELTO_APP_EXE")"/{stage,velto}.bmp "$prefix/drive_c/veltoCD/" ||
        fail "cannot install the player"
fi

# A display of our own; Xvfb picks a free number and tells us through fd 3.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    sleep 0.05
done
display=$(head -n1 "$tmp/display")
[ -n "$display" ] || fail "Xvfb did not start"

export WINEPREFIX="$prefix" DISPLAY=":$display"
export VELTO_PREFIX_UNIX="$prefix"
if [ -n "${VELTO_DPI:-}" ]; then
    velto_wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$VELTO_DPI" /f >/dev/null 2>&1
    velto_wine reg query 'HKCU\Control Panel\Desktop' /v LogPixels 2>/dev/null | grep -qi "0x$(printf '%x' "$VELTO_DPI")\b" ||
        fail "the display's scale ($VELTO_DPI dots per inch) was not set"
fi
if [ "${1:-}" = --shell ]; then
    export -f velto_in_root velto_wine velto_wineserver
    export VELTO_WINE_ROOT VELTO_PROJECT VELTO_XVFB_PID=$xvfb_pid
    "${@:2}"
else
    # Run from the private copy, so that what a program keeps beside itself is its own.
    mkdir -p "$prefix/drive_c/tests" && cp "$1" "$prefix/drive_c/tests/" || fail "cannot copy $1"
    velto_wine "$prefix/drive_c/tests/$(basename "$1")" "${@:2}"
fi
