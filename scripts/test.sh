#!/usr/bin/env bash
# Sets everything up, checks the formatting and runs the whole test suite.
# Usage: scripts/test.sh [--preset NAME] [--only PROGRAM]... [ctest arguments...]
# The preset is `default` unless named (CI runs `ci` and `asan`; see .ci/run). --only builds and
# runs the tests of the named test programs alone (core_tests, server_tests, ...).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset=default
only=()
while [ $# -gt 0 ]; do
  case "$1" in
    --preset) preset="${2:?test: --preset needs a name}"; shift 2 ;;
    --only) only+=("${2:?test: --only needs a test program}"); shift 2 ;;
    *) break ;;
  esac
done
labels=()
if [ ${#only[@]} -gt 0 ]; then
  joined="$(IFS='|'; echo "${only[*]}")"
  labels=(-L "^($joined)\$")
fi
"$here/scripts/setup.sh" "$preset" "${only[@]}"
# The login manager's test runs over a private bus of its own (it is skipped without one).
"$here/scripts/install.sh" dbus-daemon
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
ctest --preset "$preset" -j "$(nproc)" --timeout 300 "${labels[@]}" "$@"
