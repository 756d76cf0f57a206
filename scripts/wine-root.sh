#!/usr/bin/env bash
# Makes, once, the Debian root that holds the Wine everything here runs on (as root):
#   scripts/wine-root.sh
# Debian unstable's Wine 10 runs 32-bit Windows programs inside its 64-bit loader (WoW64),
# with no 32-bit Linux code, which these machines cannot run. It needs a newer C library
# than Debian 12 has, so it lives in a root of its own; scripts/wine-env.sh runs it there.
# The root is reused while its stamp matches this script; it is made aside and moved into
# place only when complete, so an interrupted run leaves nothing half made.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine-env.sh"
want=$(sha1sum < "$0" | cut -d' ' -f1)
if [ "$(cat "$VELTO_WINE_ROOT/.veltocd-root" 2>/dev/null)" = "$want" ]; then
    exit 0
fi

# The machine's own Debian mirror, so that no address is written here.
mirror=$(sed -n -e 's/^URIs:[[:space:]]*//p' -e 's/^deb[[:space:]]\+\(\[[^]]*\][[:space:]]\+\)\?//p' \
             /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null |
         awk '{print $1}' | grep -E '/debian/?$' | head -n1) || true
[ -n "$mirror" ] || { echo "wine-root: no Debian mirror in /etc/apt" >&2; exit 1; }

start=$(date +%s)
new="$VELTO_WINE_ROOT.new"
rm -rf "$new"
mkdir -p "$(dirname "$new")"
echo "Making the Wine root in $VELTO_WINE_ROOT from $mirror (a few minutes, once)"
debootstrap --variant=minbase trixie "$new" "$mirror" >/dev/null

# Unstable's Release file may be past its date on a frozen mirror.
printf 'deb %s sid main\n' "$mirror" > "$new/etc/apt/sources.list.d/sid.list"
printf 'Acquire::Check-Valid-Until "false";\nAPT::Install-Recommends "false";\n' > "$new/etc/apt/apt.conf.d/90veltocd"
in_root() {
    unshare -m -- sh -c 'mount --bind /proc "$0/proc" && mount --rbind /dev "$0/dev" &&
        exec chroot "$0" env DEBIAN_FRONTEND=noninteractive "$@"' "$new" "$@"
}
in_root apt-get update -q >/dev/null
in_root apt-get install -y -q locales fonts-ipafont-gothic >/dev/null
in_root apt-get install -y -q -t sid wine wine64 libwine >/dev/null
in_root apt-get clean
# The code page (932 or 1252) and the user interface's language of the Wine processes come
# from these locales, compiled by the root's own C library.
for locale in ja_JP en_US; do
    in_root localedef -i $locale -f UTF-8 $locale.UTF-8 2>/dev/null || in_root locale -a | grep -qi "^$locale.utf8$"
done
[ -d "$new/usr/lib/x86_64-linux-gnu/wine/i386-windows" ] || { echo "wine-root: this Wine has no WoW64 part" >&2; exit 1; }

echo "$want" > "$new/.veltocd-root"
rm -rf "$VELTO_WINE_ROOT"
mv "$new" "$VELTO_WINE_ROOT"
echo "Wine root made in $(( $(date +%s) - start )) s: $VELTO_WINE_ROOT"
