#!/usr/bin/env bash
# Installs what is missing, builds both targets and runs every test (under Wine, x86_64).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --preset win64 >/dev/null
cmake --build --preset win64
ctest --preset win64
