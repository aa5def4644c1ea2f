#!/usr/bin/env bash
# Runs the libFuzzer targets (fuzz/, the "fuzz" preset, build-fuzz/): scripts/fuzz.sh SECONDS
# [TARGET...]. Each target runs for SECONDS, one after another at the lowest priority, from its
# corpus in fuzz/corpus/<target>/ (read, never written: new inputs go to a scratch folder), and
# prints its executions. A crash, a sanitizer report, a leak or a time-out fails the run; the
# input that caused it is kept in build-fuzz/findings/.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
seconds="${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}"
shift
cd "$here"
bash scripts/setup.sh fuzz
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(container_fuzz server_request_fuzz archive_reader_fuzz
                                      legacy_decoder_fuzz file_list_fuzz available_backup_fuzz
                                      batch_lines_fuzz)
findings="$here/build-fuzz/findings"
mkdir -p "$findings"
status=0
for target in "${targets[@]}"; do
  scratch="$(mktemp -d)"
  log="$scratch/log"
  # Scratch files of the targets (archives, hives, server storage) go to memory when it can.
  tmp="$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)"
  if TMPDIR="$tmp" nice -n 19 "build-fuzz/fuzz/$target" -max_total_time="$seconds" -timeout=10 \
       -rss_limit_mb=1024 -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/$target-" \
       "$scratch" "fuzz/corpus/$target" >"$log" 2>&1; then
    runs="$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')"
    echo "$target: $runs executions in ${seconds} s, nothing found"
  else
    status=1
    echo "$target: FAILED (input kept in $findings)" >&2
    grep -E 'ERROR|SUMMARY|runtime error|Test unit written' "$log" | head -20 >&2 || tail -30 "$log" >&2
  fi
  rm -rf "$scratch" "$tmp"
done
exit "$status"
