#!/usr/bin/env bash
# The installer of one build under Wine: a silent install that starts the player at sign-in,
# the installed player playing, an install over a running older copy, a silent uninstall.
#   tests/installer_test.sh PRESET   (VELTO_WINE_WORK, VELTO_CDSIM_DLL and VELTO_SYSDIR set)
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
fail() { echo "FAILED: $*" >&2; exit 1; }

if [ -z "${VELTO_PREFIX_UNIX:-}" ]; then
    dist=$(mktemp -d)
    trap 'rm -rf "$dist"' EXIT
    setup=$(DIST_DIR="$dist" SETUP_PRESETS="$1" bash "$root/scripts/package.sh" "$1" | grep -- '-setup\.exe$') ||
        fail "package.sh made no installer for $1"
    VELTO_SETUP=$setup VELTO_EXE="$root/build/$1/veltoCD.exe" bash "$root/scripts/wine-run.sh" --shell bash "$0"
    exit
fi

# From here on inside wine-run.sh: a private prefix, its display and velto_wine.
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
uninst_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\veltoCD'
log="$VELTO_PREFIX_UNIX/drive_c/cdsim/mci.log"
ended="$VELTO_PREFIX_UNIX/../player-ended"
wait_for() {
    local what=$1 end=$((SECONDS + 60))
    shift
    until "$@"; do
        [ $SECONDS -lt $end ] || fail "$what (waited 60 s)"
        sleep 0.2
    done
}
# A key's values as name=data lines.
values() { velto_wine reg query "$1" 2>/dev/null | tr -d '\r' | sed -n 's/^    \(.*\)    REG_[A-Z_]*    \(.*\)$/\1=\2/p'; }
start_player() {
    rm -f "$ended"
    (velto_wine "$win\\veltoCD.exe"; touch "$ended") &
}
plays() { [ "$(cat "$log" 2>/dev/null | grep -c '^MCI_PLAY ')" -ge "$1" ]; }

velto_wine "$VELTO_SETUP" /S /AUTOSTART=1 || fail "silent install exited with $?"
dir=$(echo "$VELTO_PREFIX_UNIX"/drive_c/users/*/AppData/Local/Programs/veltoCD)
[ -d "$dir" ] || fail "no folder AppData/Local/Programs/veltoCD in any user's profile"
user=${dir#"$VELTO_PREFIX_UNIX"/drive_c/users/}
user=${user%%/*}
win="C:\\users\\$user\\AppData\\Local\\Programs\\veltoCD"
lnk="$VELTO_PREFIX_UNIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/veltoCD.lnk"
for file in veltoCD.exe stage.bmp velto.bmp README.txt uninstall.exe; do
    [ -s "$dir/$file" ] || fail "installed file $file is missing"
done
cmp -s "$dir/veltoCD.exe" "$VELTO_EXE" || fail "the installed exe is not the build's"
[ -s "$lnk" ] || fail "no Start-menu shortcut $lnk"
version=$(sed -n 's/^#define VELTO_VERSION_TEXT "\(.*\)"$/\1/p' "$VELTO_PROJECT/res/version.h")
entry=$(values "$uninst_key")
for want in "DisplayName=veltoCD" "DisplayVersion=$version" "DisplayIcon=$win\\veltoCD.exe,0" "Publisher=veltoCD" \
    "InstallLocation=$win" "UninstallString=\"$win\\uninstall.exe\"" "QuietUninstallString=\"$win\\uninstall.exe\" /S" \
    "NoModify=0x1" "NoRepair=0x1"; do
    grep -qxF "$want" <<<"$entry" || fail "uninstall entry lacks $want; it holds: $entry"
done
grep -qE '^EstimatedSize=0x0*[1-9a-f]' <<<"$entry" || fail "uninstall entry: no EstimatedSize in $entry"
run=$(values "$run_key" | sed -n 's/^veltoCD=//p')
[ "$run" = "\"$win\\veltoCD.exe\"" ] || fail "Run value: got '$run'"

# The installed copy made older, with a setting of the user's, plays the demo disc.
printf 'present=1\ntracks=60000,60000\n' >"$VELTO_PREFIX_UNIX/drive_c/cdsim/disc.txt"
printf '[GENERAL]\r\nWhim=42\r\n' >"$dir/veltoCD.ini"
printf 'older' >>"$dir/veltoCD.exe"
start_player
wait_for "the installed player never played the disc (no MCI_PLAY in mci.log)" plays 1

# Installed over, it closes as its menu would: it saves its settings and its exe is replaced.
velto_wine "$VELTO_SETUP" /S || fail "install over the running player exited with $?"
wait_for "the running player was not closed by the installer" test -e "$ended"
tr -d '\r' <"$dir/veltoCD.ini" | grep -qx 'Whim=42' || fail "veltoCD.ini lost Whim=42: $(cat "$dir/veltoCD.ini")"
cmp -s "$dir/veltoCD.exe" "$VELTO_EXE" || fail "the older exe was not replaced"
values "$run_key" | grep -q '^veltoCD=' || fail "Run value dropped by a reinstall without /AUTOSTART"

# Uninstalled while playing: the player is closed and nothing of the install is left.
start_player
wait_for "the reinstalled player never played the disc" plays 2
velto_wine "$win\\uninstall.exe" /S || fail "silent uninstall exited with $?"
# The uninstaller goes on from a copy in the temp folder; the folder goes last.
wait_for "the install folder is still there" test ! -e "$dir"
wait_for "the running player was not closed by the uninstaller" test -e "$ended"
[ ! -e "$lnk" ] || fail "the Start-menu shortcut is still there"
! velto_wine reg query "$uninst_key" >/dev/null 2>&1 || fail "the uninstall entry is still there"
! values "$run_key" | grep -q '^veltoCD=' || fail "the Run value is still there"
echo "installer: installed, played, reinstalled over a running copy and uninstalled"
