#!/usr/bin/env bash
# Makes the base Wine prefix for tests and the run command, once per work directory:
#   scripts/make-prefix.sh WORKDIR
# WORKDIR/prefix is the prefix; WORKDIR/locale the Japanese locale. Tests copy the prefix
# (scripts/wine-run.sh); nothing writes to the base after it is made.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mkdir -p "$1" && cd "$1" && pwd)
prefix="$work/prefix"
stamp="$prefix/.veltocd-stamp"
want=$(cat "$0" "$here/wine-env.sh" | sha1sum | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    exit 0
fi

start=$(date +%s%N)
rm -rf "$prefix" "$work/locale"
mkdir -p "$work/locale"
# localedef warns about the locale's own charset notes; the result is fine.
localedef -i ja_JP -f UTF-8 "$work/locale/ja_JP.UTF-8" 2>/dev/null || [ -d "$work/locale/ja_JP.UTF-8" ]

. "$here/wine-env.sh" "$work"
export WINEPREFIX="$prefix"
unset DISPLAY
velto_wine wineboot -i >/dev/null 2>&1
"$WINESERVER" -w

# A folder mapped as a CD-ROM drive D:, for disc identification by volume serial number.
mkdir -p "$prefix/cdrom"
printf '1a2b3c4d\n' > "$prefix/cdrom/.windows-serial"
ln -sfn ../cdrom "$prefix/dosdevices/d:"

reg="$work/prefix.reg"
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    # Without a window manager every close otherwise waits for one.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"d:"="cdrom"\r\n\r\n'
    # The simulated drive answers as the cdaudio device (Wine reads MCI, Windows MCI32).
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\MCI]\r\n"cdaudio"="cdsim.dll"\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\MCI32]\r\n"cdaudio"="cdsim.dll"\r\n\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
(cd "$work" && velto_wine regedit /S prefix.reg >/dev/null 2>&1)
"$WINESERVER" -w
rm -f "$reg"

# The X11 driver setting must have reached the registry, or every test waits on closes.
grep -q '"Managed"="N"' "$prefix/user.reg"
grep -q 'cdsim.dll' "$prefix/system.reg"
echo "$want" > "$stamp"
echo "Wine prefix made in $(( ($(date +%s%N) - start) / 1000000 )) ms: $prefix"
