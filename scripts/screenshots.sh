#!/usr/bin/env bash
# Builds the desktop client and renders every window offscreen over a sample profile into
# docs/screenshots/*.png. Usage: scripts/screenshots.sh [preset]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:-default}"
"$here/scripts/setup.sh" "$preset"
build_dir="$here/build"
[ "$preset" = default ] || [ "$preset" = ci ] || build_dir="$here/build-$preset"
cmake --build "$build_dir" --target vaultora-screenshots >/dev/null
QT_QPA_PLATFORM=offscreen "$build_dir/vaultora-screenshots" "$here/docs/screenshots"
