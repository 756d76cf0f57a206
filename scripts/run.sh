#!/usr/bin/env bash
# Installs what is missing, builds, and runs veltoCD under Wine with the simulated CD drive
# holding a demo disc: on your display when DISPLAY is set, otherwise on a private Xvfb
# display, with a screenshot to look at.
#   bash scripts/run.sh          start it
#   bash scripts/run.sh --stop   end a run started without a display
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
work="$root/build/run"
prefix="$work/prefix"

stop() {
    if [ -f "$work/xvfb.pid" ]; then
        . "$root/scripts/wine-env.sh"
        # Closed as its own menu closes it, so that it saves its settings.
        DISPLAY=":$(head -n1 "$work/display")" WINEPREFIX="$prefix" velto_wine "$(cat "$work/build")/tools/driver/close_player.exe" 2>/dev/null || true
        WINEPREFIX="$prefix" velto_wineserver -k 2>/dev/null || true
        kill "$(cat "$work/xvfb.pid")" 2>/dev/null || true
        rm -f "$work/xvfb.pid"
        echo "veltoCD stopped."
    else
        echo "No veltoCD run without a display is going on."
    fi
}
if [ "${1:-}" = "--stop" ]; then
    stop
    exit 0
fi

bash "$root/scripts/setup.sh"
cd "$root"
cmake --preset win32 >/dev/null
cmake --build --preset win32
bash scripts/make-prefix.sh build/wine >/dev/null
. "$root/scripts/wine-env.sh"
# The i686 build is the one users get; a kernel that cannot run 32-bit code gets the other.
preset=win32 sysdir=syswow64
if ! velto_win32_runs; then
    echo "This machine's kernel cannot run 32-bit code: the x86_64 build runs, not the i686 release build."
    preset=win64 sysdir=system32
    cmake --preset win64 >/dev/null
    cmake --build --preset win64
fi
build="$root/build/$preset"
bash "$root/scripts/make-prefix.sh" "$work"
mkdir -p "$work"
echo "$build" > "$work/build"
export WINEPREFIX="$prefix"

mkdir -p "$prefix/drive_c/veltoCD" "$prefix/drive_c/cdsim"
cp "$build/veltoCD.exe" "$build/stage.bmp" "$build/velto.bmp" "$prefix/drive_c/veltoCD/"
cp "$build/tools/cdsim/cdsim.dll" "$prefix/drive_c/windows/$sysdir/cdsim.dll"
# The demo disc is in drive D: (volume serial 1A2B3C4D); cdplayer.ini, in code page 932,
# names some of its tracks.
velto_wine reg add 'HKLM\System\CurrentControlSet\control\MediaResources\mci\cdaudio' \
    /v 'Default Drive' /t REG_DWORD /d 0 /f >/dev/null 2>&1
printf '[1A2B3C4D]\r\n0=Overture on a Small Stage\r\n1=雨上がりのステップ\r\n3=Velto Dances Alone\r\n' |
    iconv -f UTF-8 -t CP932 > "$prefix/drive_c/windows/cdplayer.ini"
disc="$prefix/drive_c/cdsim/disc.txt"
if [ ! -f "$disc" ]; then
    cat > "$disc" <<'DISC'
# The demo disc: edit freely while the player runs (present=0 takes the disc out).
present=1
tracks=24000,31000,22000,38000,27000,35000
DISC
fi
rm -f "$prefix/drive_c/cdsim/mci.log"
exe='C:\veltoCD\veltoCD.exe'
# Started where it lives, so that it finds the stage's pictures.
cd "$prefix/drive_c/veltoCD"

if [ -n "${DISPLAY:-}" ]; then
    echo "veltoCD runs on $DISPLAY. Right-click the stage for the menu; 終了 (Exit) ends it."
    echo "The demo disc is $disc."
    velto_wine "$exe"
    exit 0
fi

[ ! -f "$work/xvfb.pid" ] || stop >/dev/null
rm -f "$work/display"
# Sessions of their own with nothing inherited, so this script's caller is not held up.
setsid Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" </dev/null >/dev/null 2>&1 &
echo $! > "$work/xvfb.pid"
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.05; done
export DISPLAY=":$(head -n1 "$work/display")"
setsid -f bash -c '. "$0/scripts/wine-env.sh" && velto_wine "$1"' "$root" "$exe" </dev/null >/dev/null 2>&1
for _ in $(seq 150); do
    xdotool search --onlyvisible --name '^veltoCD$' >/dev/null 2>&1 && break
    sleep 0.1
done
# The disc found and track 1 playing, as the drive's log tells; then a tick to draw the dance.
log="$prefix/drive_c/cdsim/mci.log"
for _ in $(seq 150); do
    grep -q '^MCI_PLAY .* -> 0' "$log" 2>/dev/null && break
    sleep 0.1
done
plays=$(grep -c '^MCI_PLAY .* -> 0' "$log" 2>/dev/null || true)
ticks=$(grep -c 'MEDIA_PRESENT' "$log" 2>/dev/null || true)
for _ in $(seq 50); do
    [ "$(grep -c 'MEDIA_PRESENT' "$log" 2>/dev/null || true)" -gt "$ticks" ] && break
    sleep 0.1
done
import -window root "$work/screenshot.png"
[ "${plays:-0}" -gt 0 ] || echo "The demo disc did not start playing: see $log."
echo "veltoCD runs on the virtual display $DISPLAY (no DISPLAY was set)."
echo "Screenshot: $work/screenshot.png"
echo "The demo disc is $disc."
echo "Stop it with: bash scripts/run.sh --stop"
