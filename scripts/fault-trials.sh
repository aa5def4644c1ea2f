#!/usr/bin/env bash
# The fault trials of the test suite, run longer: scripts/fault-trials.sh SEED [SCALE]
# SEED is the random start value; SCALE (default 10) multiplies the number of trials of every
# area (10 server kills, 10 client kills of a download and of a restore, 200 bit flips, the
# proxy cuts, each SCALE times). Prints tried / held / failed per area; exits 1 when any failed.
# Builds the test programs first (the default preset, build/).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seed="${1:?usage: scripts/fault-trials.sh SEED [SCALE]}"
scale="${2:-10}"
cd "$here"
[ -d build ] || cmake --preset default >/dev/null
cmake --build build --target core_tests cli_tests vaultora-cli vaultora-server >/dev/null
export VAULTORA_TRIAL_SEED="$seed" VAULTORA_TRIAL_SCALE="$scale"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
status=0
for program in core_tests cli_tests; do
  nice -n 19 "build/tests/$program" --gtest_filter='FaultTrials*' >"$log" 2>&1 || status=1
  grep '^trials ' "$log" | sed 's/^trials //' || true
  [ "$status" -eq 0 ] || grep -E 'Failure|Expected|held' "$log" | head -20 >&2
done
echo "seed $seed, scale $scale: $([ "$status" -eq 0 ] && echo 'every trial held' || echo 'some trials failed')"
exit "$status"
