#!/usr/bin/env bash
# Fails, naming the files, when a C++ file of the project is not laid out as .clang-format
# says. `bash scripts/check-format.sh --fix` lays them out.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
bad=()
for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
    echo "Not formatted (bash scripts/check-format.sh --fix): ${bad[*]}" >&2
    exit 1
fi
echo "Format: ${#files[@]} C++ files as .clang-format lays them out."
