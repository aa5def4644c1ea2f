#!/usr/bin/env bash
# Many small files (1-8 KB of text and binary data) backed up by vaultora-cli, restic and borg
# (lz4) side by side, in the same run: the first backup, then a backup with nothing changed, each
# for a set of file counts in one folder and in a tree of folders. restic and borgbackup are
# installed from Debian's archive when missing (as root); a tool that is still absent is skipped
# with a message. Every repository, profile and file lives in a scratch folder of its own.
#   bench/compare-tools.sh [BUILD_DIR (default build)] [COUNTS (default "1000 10000 50000")]
# Prints one Markdown table; times are wall seconds (the median of VAULTORA_BENCH_RUNS runs,
# default 3, each on fresh repositories).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
counts=${2:-"1000 10000 50000"}
runs=${VAULTORA_BENCH_RUNS:-3}
cli="$PWD/$build/vaultora-cli"
[[ -x $cli ]] || { echo "compare-tools: $cli is not built (cmake --build $build)" >&2; exit 1; }

for tool in restic borg; do
  if ! command -v "$tool" >/dev/null; then
    package=$tool
    [[ $tool == borg ]] && package=borgbackup
    if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
      echo "compare-tools: installing $package from Debian's archive" >&2
      apt-get install -y "$package" >/dev/null 2>&1 || true
    fi
    command -v "$tool" >/dev/null || echo "compare-tools: $tool is not installed; its columns are skipped" >&2
  fi
done
have() { command -v "$1" >/dev/null; }

scratch=$(mktemp -d /tmp/vaultora-compare-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export RESTIC_PASSWORD=bench BORG_PASSPHRASE=bench BORG_UNKNOWN_UNENCRYPTED_REPO_ACCESS_IS_OK=yes
export BORG_BASE_DIR="$scratch/borg-base" RESTIC_CACHE_DIR="$scratch/restic-cache"

# COUNT files of 1 to 8 KB under FOLDER: all in it (flat) or 100 a folder, 10 folders a level.
make_files() {
  python3 - "$1" "$2" "$3" <<'PY'
import os, random, sys
root, count, shape = sys.argv[1], int(sys.argv[2]), sys.argv[3]
rng = random.Random(7)
words = [''.join(rng.choice('abcdefghijklmnopqrstuvwxyz') for _ in range(rng.randint(2, 10)))
         for _ in range(3000)]
for n in range(count):
    folder = root if shape == 'flat' else os.path.join(root, 'd%d' % (n // 1000), 'e%d' % (n // 100 % 10))
    os.makedirs(folder, exist_ok=True)
    size = rng.randint(1024, 8192)
    if n % 2:
        data = ' '.join(rng.choice(words[:400]) for _ in range(size // 4)).encode()[:size]
    else:
        data = bytes(rng.getrandbits(8) if i % 7 == 0 else (i // 16) % 256 for i in range(size))
    with open(os.path.join(folder, 'small%06d.dat' % n), 'wb') as f:
        f.write(data)
PY
}

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1 || { echo "compare-tools: failed: $*" >&2; return 1; }; t1=$(date +%s.%N); awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.2f", b - a }'; }
median() { tr ' ' '\n' | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# One tool's first and nothing-changed times over DATA, each the median of the runs: "F / N".
vaultora_pair() {
  local data=$1 home first="" again=""
  for _ in $(seq "$runs"); do
    home=$(mktemp -d "$scratch/vaultora-XXXX")
    export VAULTORA_HOME=$home
    "$cli" list create "$data" --subfolders --wizard >/dev/null 2>&1
    printf 'bench key\n' | "$cli" key set >/dev/null 2>&1
    first+=" $(seconds "$cli" backup --title Bench --quiet)"
    again+=" $(seconds "$cli" backup --title Bench --quiet)"
    rm -rf "$home"
    unset VAULTORA_HOME
  done
  echo "$(echo $first | median) / $(echo $again | median)"
}
restic_pair() {
  local data=$1 repo first="" again=""
  for _ in $(seq "$runs"); do
    repo=$(mktemp -d "$scratch/restic-XXXX")
    restic init --repo "$repo" >/dev/null 2>&1
    first+=" $(seconds restic --repo "$repo" backup --quiet "$data")"
    again+=" $(seconds restic --repo "$repo" backup --quiet "$data")"
    rm -rf "$repo"
  done
  echo "$(echo $first | median) / $(echo $again | median)"
}
borg_pair() {
  local data=$1 repo first="" again=""
  for _ in $(seq "$runs"); do
    repo="$scratch/borg-$RANDOM"
    borg init --encryption repokey "$repo" >/dev/null 2>&1
    first+=" $(seconds borg create --compression lz4 "$repo::first" "$data")"
    again+=" $(seconds borg create --compression lz4 "$repo::again" "$data")"
    rm -rf "$repo"
  done
  echo "$(echo $first | median) / $(echo $again | median)"
}

echo "Small files, first backup / nothing changed, wall seconds (median of $runs); $(nproc) cores"
echo
echo "| files | shape | vaultora | restic | borg (lz4) |"
echo "|---|---|---|---|---|"
for count in $counts; do
  for shape in flat tree; do
    data="$scratch/data-$count-$shape"
    make_files "$data" "$count" "$shape"
    row="| $count | $shape | $(vaultora_pair "$data")"
    if have restic; then row+=" | $(restic_pair "$data")"; else row+=" | skipped"; fi
    if have borg; then row+=" | $(borg_pair "$data")"; else row+=" | skipped"; fi
    echo "$row |"
    rm -rf "$data"
  done
done
