#!/usr/bin/env bash
# Runs a test program under Wine with what the lookup's tests compare against: the disc IDs that
# Debian's libdiscid gives some tables of contents, and a fake MusicBrainz server on this machine.
#   tests/with_server.sh PROGRAM.exe   (environment as scripts/wine-run.sh takes it)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/velto-lookup.XXXXXX)
server=""
cleanup() {
    local status=$?
    if [ -n "$server" ]; then kill "$server" 2>/dev/null; wait "$server" 2>/dev/null || true; fi
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

VELTO_DISCIDS=$(python3 "$here/discids.py")
python3 "$here/../tools/mbfake/mbfake.py" --lifetime 290 --events "$work/events.txt" >"$work/port" &
server=$!
for _ in $(seq 200); do
    [ -s "$work/port" ] && break
    sleep 0.05
done
port=$(head -n1 "$work/port")
[ -n "$port" ] || { echo "with_server: the fake server did not start" >&2; exit 2; }
# Wine sees this machine's root as drive Z:.
export VELTO_DISCIDS VELTO_MBFAKE="http://127.0.0.1:$port" VELTO_MBFAKE_EVENTS="Z:${work//\//\\}\\events.txt"
bash "$here/../scripts/wine-run.sh" "$1"
