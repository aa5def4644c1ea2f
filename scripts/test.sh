#!/usr/bin/env bash
# Sets everything up, checks the formatting and runs the whole test suite.
# Usage: scripts/test.sh [--preset NAME] [ctest arguments...]
# The preset is `default` unless named (CI runs `ci` and `asan`; see .ci/run).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset=default
if [ "${1:-}" = "--preset" ]; then
  preset="${2:?test: --preset needs a name}"
  shift 2
fi
"$here/scripts/setup.sh" "$preset"
cd "$here"
# Formatting is part of the contract of every change; a machine without clang-format cannot
# check it, so that is a failure rather than a skipped step.
if ! command -v clang-format >/dev/null; then
  echo "test: clang-format is not installed, so the formatting cannot be checked" >&2
  exit 1
fi
if ! cmake --build --preset "$preset" --target format-check >build-logs/format.log 2>&1; then
  cat build-logs/format.log >&2
  echo "test: sources are not formatted (run: cmake --build build --target format)" >&2
  exit 1
fi
ctest --preset "$preset" -j "$(nproc)" --timeout 300 "$@"
