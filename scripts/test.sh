#!/usr/bin/env bash
# Sets everything up and runs the whole test suite. Usage: scripts/test.sh
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset=default
[ "${CI:-}" = "true" ] && preset=ci
"$here/scripts/setup.sh" "$preset"
cd "$here"
# Formatting is part of the contract of every change.
if command -v clang-format >/dev/null; then
  if ! cmake --build --preset "$preset" --target format-check >build-logs/format.log 2>&1; then
    cat build-logs/format.log >&2
    echo "test: sources are not formatted (run: cmake --build build --target format)" >&2
    exit 1
  fi
fi
ctest --preset "$preset" -j "$(nproc)" --timeout 300 "$@"
