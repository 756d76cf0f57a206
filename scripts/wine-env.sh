# Sourced by the scripts that run Wine: where it lives and the environment it gets.
#   . scripts/wine-env.sh
# Wine runs inside the Debian root that scripts/wine-root.sh makes. Each command gets a
# private mount namespace in which /proc, /dev, /tmp (X's socket, the test prefixes) and
# the project folder are bound into the root at their own paths: the mounts vanish with
# the command, and nothing stays mounted on the machine.

VELTO_WINE_ROOT=${VELTO_WINE_ROOT:-/var/lib/veltocd/wine-root}
VELTO_PROJECT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

export WINEDEBUG=-all
# No Mono or Gecko install prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

velto_in_root() {
    mkdir -p "$VELTO_WINE_ROOT$VELTO_PROJECT"
    unshare -m -- sh -c 'r=$0 p=$1; shift
        mount --bind /proc "$r/proc" && mount --rbind /dev "$r/dev" && mount --bind /tmp "$r/tmp" &&
        mount --bind "$p" "$r$p" && exec chroot "$r" sh -c '\''cd "$0" 2>/dev/null; exec "$@"'\'' "$PWD" "$@"' \
        "$VELTO_WINE_ROOT" "$VELTO_PROJECT" "$@"
}

# A Wine command, by default on a Japanese system: code page 932 and a Japanese user interface.
# VELTO_LANG picks the code page (en_US.UTF-8: 1252), VELTO_LC_MESSAGES the interface's language.
velto_wine() {
    local lang=${VELTO_LANG:-ja_JP.UTF-8}
    velto_in_root env -u LC_ALL LANG="$lang" LC_MESSAGES="${VELTO_LC_MESSAGES:-$lang}" wine "$@"
}

velto_wineserver() {
    velto_in_root /usr/lib/x86_64-linux-gnu/wine/wineserver "$@"
}

# WoW64 runs 32-bit Windows code in 32-bit segments of the 64-bit process. A kernel built
# without 32-bit compatibility refuses them, and every 32-bit program then crashes at its
# first instruction. True when the i686 build's close_player runs (0: closed a player, 1:
# found none); it must be built, and the base prefix made in build/wine.
velto_win32_runs() {
    local code=0
    VELTO_WINE_WORK="$VELTO_PROJECT/build/wine" bash "$VELTO_PROJECT/scripts/wine-run.sh" \
        "$VELTO_PROJECT/build/win32/tools/driver/close_player.exe" >/dev/null 2>&1 || code=$?
    [ "$code" -le 1 ]
}
