#!/usr/bin/env bash
# Prints the figures of both builds, each next to its floor measured in the same run: a
# stage tick against a bare blit, CPU at each tempo against a bare program on the same
# timer, start to visible window, memory over many ticks, and the sizes of the exes.
#   bash scripts/bench.sh        (BENCH_SECONDS=10 for a quicker, rougher run)
# Figures only: nothing here passes or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
if [ "${1:-}" != --inside ]; then
    bash scripts/setup.sh >/dev/null
    for preset in win32 win64; do
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset" >/dev/null
    done
    bash scripts/make-prefix.sh build/wine
    for preset in win32 win64; do
        echo "== the $preset build"
        sysdir=$([ "$preset" = win32 ] && echo syswow64 || echo system32)
        VELTO_WINE_WORK="$root/build/wine" VELTO_CDSIM_DLL="$root/build/$preset/tools/cdsim/cdsim.dll" \
            VELTO_SYSDIR=$sysdir VELTO_APP_EXE="$root/build/$preset/veltoCD.exe" \
            bash scripts/wine-run.sh --shell bash "$0" --inside "$root/build/$preset/bench.exe" 2>/dev/null
        echo "exe size: $(stat -c %s "build/$preset/veltoCD.exe") bytes"
    done
    exit 0
fi

# Inside a private prefix and display (scripts/wine-run.sh --shell).
bench=$2
seconds=${BENCH_SECONDS:-60}
app="$VELTO_PREFIX_UNIX/drive_c/veltoCD"
printf 'present=1\ntracks=3600000,3600000\n' > "$VELTO_PREFIX_UNIX/drive_c/cdsim/disc.txt"
cd "$app"  # Wine starts its programs here: C:\veltoCD, where the pictures are
velto_wine "$bench" paint 10000
velto_wine "$bench" start 10 'C:\veltoCD\veltoCD.exe'
velto_wine "$bench" soak 100000 'C:\veltoCD\veltoCD.exe'

# CPU time in clock ticks of these processes: the program, Wine's server and the X server.
cpu() { cat $(printf '/proc/%s/stat ' "$@") | awk '{ticks += $14 + $15} END {print ticks}'; }
# Share of one core, in per cent, that a Windows command takes over `seconds`.
measure() {
    velto_wine "$@" &
    sleep 5
    # Wine's processes go by their exe's name; the wrappers that start them do not.
    local pids="$(pgrep -x "${1##*[/\\]}") $(pgrep -n -f wine/wineserver) $VELTO_XVFB_PID"
    local before=$(cpu $pids)
    sleep "$seconds"
    local after=$(cpu $pids)
    velto_wineserver -k
    wait || true
    awk -v ticks=$((after - before)) -v s="$seconds" -v hz="$(getconf CLK_TCK)" 'BEGIN {printf "%.2f", 100 * ticks / (s * hz)}'
}
for tempo in 1005:1500 1006:1000 1007:750; do
    printf '[GENERAL]\r\nTune=%s\r\n' "${tempo%:*}" > "$app/veltoCD.ini"
    player=$(measure 'C:\veltoCD\veltoCD.exe')
    bare=$(measure "$bench" bare "${tempo#*:}")
    awk -v t="${tempo#*:}" -v p="$player" -v b="$bare" \
        'BEGIN {printf "CPU at %s ms: player %s %%, bare program %s %% of a core, ratio %s\n", t, p, b, (b > 0 ? sprintf("%.2f", p / b) : "n/a")}'
done

# Server calls a tick makes, from a trace of ten seconds of playing at 1000 ms.
printf '[GENERAL]\r\nTune=1006\r\n' > "$app/veltoCD.ini"
WINEDEBUG=+server velto_wine 'C:\veltoCD\veltoCD.exe' 2>"$VELTO_PREFIX_UNIX/trace" &
sleep 5
start=$(wc -l < "$VELTO_PREFIX_UNIX/trace")
sleep 10
calls=$(tail -n +"$start" "$VELTO_PREFIX_UNIX/trace" | grep -c ': [a-z_]*( ' || true)
velto_wineserver -k
wait || true
echo "server calls: about $((calls / 10)) a tick"
