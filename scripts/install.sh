#!/usr/bin/env bash
# Installs the named Debian packages that are not installed yet (through sudo when not root).
# Quiet on success; on failure it prints apt's log. Usage: scripts/install.sh PACKAGE...
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
log_dir="$here/build-logs"
mkdir -p "$log_dir"

missing=()
for p in "$@"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -gt 0 ] || exit 0
sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
if ! { "${sudo_cmd[@]}" apt-get update -qq &&
       DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq \
         --no-install-recommends "${missing[@]}"; } >"$log_dir/install.log" 2>&1; then
  cat "$log_dir/install.log" >&2
  echo "install: installing ${missing[*]} failed" >&2
  exit 1
fi
