#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test of both under Wine:
# the i686 release build first.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
for preset in win32 win64; do
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
status=0
for preset in win32 win64; do
    echo "== tests of the $preset build"
    ctest --preset "$preset" || status=1
done
exit $status
