# Sourced by the scripts that run Wine: the environment every Wine command here gets.
# Usage: . scripts/wine-env.sh WORKDIR   (WORKDIR holds the compiled locale)

WINE=/usr/lib/wine/wine64
[ -x "$WINE" ] || WINE=$(command -v wine64 || command -v wine)
WINESERVER=$(command -v wineserver || echo /usr/lib/wine/wineserver)
VELTO_LOCPATH="$1/locale"

export WINEDEBUG=-all
# No Mono or Gecko install prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# Runs a Wine command with a Japanese system code page (932), from a locale compiled into
# our own tree; set on the Wine commands only, so the shell keeps its own locale.
velto_wine() {
    LOCPATH="$VELTO_LOCPATH" LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 "$WINE" "$@"
}
