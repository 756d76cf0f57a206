#!/usr/bin/env bash
# Works the release player under Wine, with the simulated drive, for MINUTES (default 2;
# fractions such as 0.5, or seconds such as 90s) in a seeded random sequence of what users,
# the session and the drive do to it, checking it between steps (tools/soak):
#   bash scripts/soak.sh [MINUTES] [SEED]
# The seed defaults to one from the clock; the same seed replays the same operations.
# Operations and the drive's log go to build/soak/soak-SEED.log. The last line is
# "N operations, M failures"; the exit code is 0 only without failures.
set -uo pipefail
cd "$(dirname "$0")/.."
minutes=${1:-2}
seed=${2:-$(( $(date +%s%N) / 1000 % 4294967296 ))}
case "$minutes" in
    *s) seconds=${minutes%s} ;;
    *) seconds=$(awk -v m="$minutes" 'BEGIN {printf "%d", m * 60}') ;;
esac
[[ "$seconds" =~ ^[0-9]+$ && "$seconds" -gt 0 && "$seed" =~ ^[0-9]+$ ]] || {
    echo "usage: bash scripts/soak.sh [MINUTES|SECONDSs] [SEED]" >&2
    exit 2
}

mkdir -p build/soak
build() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1" --target "${@:2}" >build/soak/build.txt 2>&1 ||
        { cat build/soak/build.txt; echo "soak: the $1 build failed" >&2; exit 2; }
}
bash scripts/setup.sh >/dev/null || exit 2
. scripts/wine-env.sh
bash scripts/make-prefix.sh build/wine >/dev/null || exit 2
build win32 close_player
preset=win32
if ! velto_win32_runs; then
    preset=win64
    echo "soak: this machine's kernel cannot run 32-bit code, so the x86_64 build is soaked, not the i686 release build"
fi
build "$preset" veltoCD cdsim soak
sysdir=$([ "$preset" = win32 ] && echo syswow64 || echo system32)
log="build/soak/soak-$seed.log"
out="build/soak/soak-$seed.out"
echo "soak: operations and the drive's log in $log"
VELTO_WINE_WORK="$PWD/build/wine" VELTO_CDSIM_DLL="$PWD/build/$preset/tools/cdsim/cdsim.dll" VELTO_SYSDIR=$sysdir \
    VELTO_APP_EXE="$PWD/build/$preset/veltoCD.exe" \
    bash scripts/wine-run.sh "build/$preset/tools/soak/soak.exe" "$seconds" "$seed" 2>"$log" | tee "$out"
code=${PIPESTATUS[0]}
# 0 and 1 are the soak's own verdicts, each ending in its count; anything else means the
# soak program itself did not finish.
if [ "$code" -gt 1 ]; then
    echo "soak: the soak program ended with code $code before its count (seed $seed); see $log"
    echo "$(grep -c '^step ' "$log") operations, $(( $(grep -c '^FAIL ' "$log") + 1 )) failures"
    exit 1
fi
exit "$code"
