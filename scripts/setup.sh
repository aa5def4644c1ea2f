#!/usr/bin/env bash
# Installs what the build needs (only what is missing), configures and builds. Quiet on success;
# on failure it prints the log of the step that failed. Usage: scripts/setup.sh [preset]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-default}"
log_dir="$here/build-logs"
mkdir -p "$log_dir"

packages=(build-essential cmake ninja-build pkg-config zlib1g-dev libsqlite3-dev nettle-dev
          libgtest-dev libgmock-dev qt6-base-dev libgl-dev fonts-dejavu-core clang-format)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  if ! { "${sudo_cmd[@]}" apt-get update -qq &&
         DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
           --no-install-recommends "${missing[@]}"; } >"$log_dir/install.log" 2>&1; then
    cat "$log_dir/install.log" >&2
    echo "setup: installing ${missing[*]} failed" >&2
    exit 1
  fi
fi

run_step() {
  local name="$1"; shift
  if ! "$@" >"$log_dir/$name.log" 2>&1; then
    cat "$log_dir/$name.log" >&2
    echo "setup: $name failed (log: $log_dir/$name.log)" >&2
    exit 1
  fi
}
cd "$here"
run_step configure cmake --preset "$preset"
run_step build cmake --build --preset "$preset" -j "$(nproc)"
