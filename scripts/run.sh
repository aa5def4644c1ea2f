#!/usr/bin/env bash
# Sets everything up on a fresh machine and runs the main job. Usage: scripts/run.sh [FOLDER]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" default
exec "$here/scripts/main-job.sh" "$@"
