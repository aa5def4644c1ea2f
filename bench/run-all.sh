#!/usr/bin/env bash
# Runs every benchmark of bench/ at modest sizes (the machine may be shared) under nice, keeps
# each one's full output, and writes one Markdown table of their comparisons.
#   bench/run-all.sh [BUILD_DIR (default build)] [OUTPUT (default BUILD_DIR/bench-results.md)]
# VAULTORA_BENCH_PAIRS sets the pairs of each comparison (at least 5); VAULTORA_BENCH_MIB the
# size of the large cases (default 32 MiB); VAULTORA_BENCH_SMALL_FILES the small-files case.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=${2:-$build/bench-results.md}
mib=${VAULTORA_BENCH_MIB:-32}
small=${VAULTORA_BENCH_SMALL_FILES:-10000}
logs="$build/bench-logs"
mkdir -p "$logs"

benches=(
  "settings_store_bench"
  "cipher_bench $mib"
  "archive_bench $mib"
  "builder_bench $mib $small"
  "parallel_backup_bench $mib"
  "online_channel_bench $mib"
  "online_ops_bench $mib"
)

load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')
for entry in "${benches[@]}"; do
  set -- $entry
  program="$build/bench/bench_$1"
  if [[ ! -x $program ]]; then
    echo "run-all: $program is not built (cmake --build $build)" >&2
    exit 1
  fi
  echo "run-all: $entry" >&2
  nice -n 19 "$program" "${@:2}" > "$logs/$1.txt"
done
load_after=$(cut -d' ' -f1-3 /proc/loadavg)

{
  echo "Run $started on $(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //')),"
  echo "under nice -n 19; load average $load_before before and $load_after after."
  echo "Large cases $mib MiB, small-files case $small files. Each comparison alternates baseline"
  echo "and product (${VAULTORA_BENCH_PAIRS:-5} pairs or more); rates are medians of wall-clock"
  echo "rates, MB = 10^6 bytes; ratio = product rate / baseline rate per pair; cores = process"
  echo "CPU time / wall time (median)."
  echo
  echo "| benchmark | case | product | baseline | ratio min / median / max | cores product / baseline |"
  echo "|---|---|---:|---:|---|---|"
  for entry in "${benches[@]}"; do cat "$logs/${entry%% *}.txt"; done | grep '^table|' | while IFS='|' read -r _ bench what unit product baseline \
    rmin rmed rmax pcores bcores pairs; do
    printf '| %s | %s | %s %s | %s %s | %s / %s / %s | %s / %s |\n' "$bench" "$what" \
      "$product" "$unit" "$baseline" "$unit" "$rmin" "$rmed" "$rmax" "$pcores" "$bcores"
  done
} > "$out"
cat "$out"
