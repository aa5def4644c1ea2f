#!/usr/bin/env bash
# The main job on a built tree. For now it shows what the programs offer.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bin="$here/build"
"$bin/vaultora-cli" --help
"$bin/vaultora-server" --help
