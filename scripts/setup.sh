#!/usr/bin/env bash
# Installs what the build needs (only what is missing), configures and builds. Quiet on success;
# on failure it prints the log of the step that failed.
# Usage: scripts/setup.sh [PRESET [TARGET...]] (no targets: everything)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-default}"
shift || true
targets=()
[ $# -eq 0 ] || targets=(--target "$@")
log_dir="$here/build-logs"
mkdir -p "$log_dir"

"$here/scripts/install.sh" build-essential cmake ninja-build pkg-config zlib1g-dev \
  libsqlite3-dev nettle-dev libgtest-dev libgmock-dev qt6-base-dev libgl-dev fonts-dejavu-core \
  clang-format
# The fuzz targets are built with clang and its libFuzzer and sanitizer runtimes.
[ "$preset" != fuzz ] || "$here/scripts/install.sh" clang libclang-rt-14-dev

run_step() {
  local name="$1"; shift
  if ! "$@" >"$log_dir/$name.log" 2>&1; then
    cat "$log_dir/$name.log" >&2
    echo "setup: $name failed (log: $log_dir/$name.log)" >&2
    exit 1
  fi
}
cd "$here"
run_step "configure-$preset" cmake --preset "$preset"
run_step "build-$preset" cmake --build --preset "$preset" -j "$(nproc)" "${targets[@]}"
