#!/usr/bin/env bash
# Makes the base Wine prefix for tests and the run command, once per work directory:
#   scripts/make-prefix.sh WORKDIR
# WORKDIR/prefix is the prefix. Tests copy it (scripts/wine-run.sh); nothing writes to the
# base after it is made.
set -euo pipefail
trap 'echo "make-prefix: stopped: \"$BASH_COMMAND\" failed (line $LINENO)" >&2' ERR
here=$(cd "$(dirname "$0")" && pwd)
work=$(mkdir -p "$1" && cd "$1" && pwd)
prefix="$work/prefix"
stamp="$prefix/.veltocd-stamp"
# Both builds' tests may ask at once: one makes it, the other waits and reuses it.
exec 9>"$work/.lock"
flock 9
. "$here/wine-env.sh"
# A system whose code page is UTF-8: Wine gives the Hindi locale, which has no ANSI code page,
# code page 65001. Compiled by the root's own C library, once.
velto_in_root locale -a | grep -qi '^hi_IN.utf8$' || velto_in_root localedef -i hi_IN -f UTF-8 hi_IN.UTF-8
want=$(cat "$0" "$here/wine-env.sh" "$VELTO_WINE_ROOT/.veltocd-root" | sha1sum | cut -d' ' -f1)
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ]; then
    exit 0
fi

start=$(date +%s%N)
rm -rf "$prefix"
export WINEPREFIX="$prefix"
unset DISPLAY
velto_wine wineboot -i >/dev/null 2>&1
velto_wineserver -w

# Folders mapped as CD-ROM drives D: and E:, for disc identification by volume serial number.
for drive in d:1a2b3c4d e:c0ffee; do
    mkdir -p "$prefix/cdrom-${drive%:*}"
    printf '%s\n' "${drive#*:}" > "$prefix/cdrom-${drive%:*}/.windows-serial"
    ln -sfn "../cdrom-${drive%:*}" "$prefix/dosdevices/${drive%:*}:"
done

reg="$work/prefix.reg"
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    # Without a window manager every close otherwise waits for one.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\X11 Driver]\r\n"Managed"="N"\r\n\r\n'
    # A program that crashes ends at once instead of waiting on a crash dialog.
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n"ShowCrashDialog"=dword:00000000\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n"ＭＳ Ｐゴシック"="IPAPGothic"\r\n"ＭＳ ゴシック"="IPAGothic"\r\n"MS UI Gothic"="IPAPGothic"\r\n"MS Gothic"="IPAGothic"\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wine\\Drives]\r\n"d:"="cdrom"\r\n"e:"="cdrom"\r\n\r\n'
    # The simulated drive answers as the cdaudio device. Wine reads the MCI key in the
    # caller's own registry view: the 32-bit one for the i686 build, which then loads the
    # driver from syswow64; the 64-bit one for the x86_64 build (system32).
    printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\MCI]\r\n"cdaudio"="cdsim.dll"\r\n\r\n'
    printf '[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion\\MCI]\r\n"cdaudio"="cdsim.dll"\r\n\r\n'
} | iconv -f UTF-8 -t UTF-16LE | { printf '\xff\xfe'; cat; } > "$reg"
(cd "$work" && velto_wine regedit /S prefix.reg >/dev/null 2>&1)
velto_wineserver -w
rm -f "$reg"

# The X11 driver setting must have reached the registry, or every test waits on closes.
grep -q '"Managed"="N"' "$prefix/user.reg" || { echo "make-prefix: the X11 driver setting did not reach the registry" >&2; exit 1; }
grep -q 'cdsim.dll' "$prefix/system.reg" || { echo "make-prefix: the simulated drive is not registered" >&2; exit 1; }
echo "$want" > "$stamp"
echo "Wine prefix made in $(( ($(date +%s%N) - start) / 1000000 )) ms: $prefix"
