#!/usr/bin/env bash
# The main job on a built tree: a real backup round trip through the bundled server on loopback.
#   scripts/main-job.sh [FOLDER] [--server HOST:PORT --logon NAME]
# It backs up FOLDER (or a sample it makes), sends it, fetches it back into a second, empty
# profile through the server's list of available backups, restores it into a scratch folder,
# compares the files and reports the rates. With --server the password comes from
# $VAULTORA_DEMO_PASSWORD; without it a server is started with its storage in the demo folder.
# Everything lives in $VAULTORA_DEMO_DIR (default ~/.local/share/vaultora-demo): the user's own
# profile is never touched.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cli="$here/build/vaultora-cli"
server_bin="$here/build/vaultora-server"
demo="${VAULTORA_DEMO_DIR:-${XDG_DATA_HOME:-$HOME/.local/share}/vaultora-demo}"

folder="" server="" logon="demo"
while [ $# -gt 0 ]; do
  case "$1" in
    --server) server="$2"; shift 2 ;;
    --logon) logon="$2"; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0"; exit 0 ;;
    *) folder="$(cd "$1" && pwd)"; shift ;;
  esac
done

rm -rf "$demo/first" "$demo/second" "$demo/restored" "$demo/logs"
mkdir -p "$demo/logs"
server_pid=""
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null; true; }
trap cleanup EXIT

now() { date +%s.%N; }
rate() { awk -v b="$1" -v s="$2" 'BEGIN { if (s <= 0) s = 0.000001; printf "%.1f MB/s", b / 1048576 / s }'; }
# Runs one step with its output in a log; shows the log and stops when the step fails.
step() {
  local name="$1"; shift
  if ! "$@" >"$demo/logs/$name.log" 2>&1 </dev/null; then
    cat "$demo/logs/$name.log" >&2
    echo "main job: step \"$name\" failed (log: $demo/logs/$name.log)" >&2
    exit 1
  fi
}

# 1. The folder to protect: a mixed sample of text, program files and random data.
if [ -z "$folder" ]; then
  folder="$demo/sample"
  if [ ! -d "$folder" ]; then
    mkdir -p "$folder/text" "$folder/programs" "$folder/random"
    seq 1 1500000 >"$folder/text/numbers.txt"
    for f in /usr/share/common-licenses/*; do [ -f "$f" ] && cp "$f" "$folder/text/"; done
    for f in /usr/bin/cmake /usr/bin/gdb /usr/bin/perl; do [ -f "$f" ] && cp "$f" "$folder/programs/"; done
    head -c $((12 * 1048576)) /dev/urandom >"$folder/random/noise.bin"
    head -c 1000 /dev/urandom >"$folder/random/small.bin"
    : >"$folder/text/empty.txt"
  fi
fi
bytes=$(du -sb "$folder" | cut -f1)
files=$(find "$folder" -type f | wc -l)
echo "Backing up $folder ($files files, $(awk -v b="$bytes" 'BEGIN{printf "%.1f MB", b/1048576}'))"

# 2. The server: the bundled one on a free loopback port, unless one was given.
password="${VAULTORA_DEMO_PASSWORD:-demo-password-$(date +%s)}"
if [ -z "$server" ]; then
  storage="$demo/server-storage"
  rm -rf "$storage"
  mkdir -p "$storage"
  printf '%s\n' "$password" | "$server_bin" account add "$logon" --storage "$storage" >/dev/null
  "$server_bin" serve --storage "$storage" --listen 127.0.0.1 --port 0 >"$demo/logs/server.log" 2>&1 &
  server_pid=$!
  for _ in $(seq 1 100); do
    port=$(grep -m1 -E '^[0-9]+$' "$demo/logs/server.log" || true)
    [ -n "$port" ] && break
    sleep 0.05
  done
  [ -n "${port:-}" ] || { cat "$demo/logs/server.log" >&2; echo "main job: the server did not start" >&2; exit 1; }
  host=127.0.0.1
  echo "Started vaultora-server on $host:$port (storage $storage)"
else
  host="${server%:*}" port="${server##*:}"
  echo "Using the backup server at $host:$port"
fi

key="demo key $(date +%s)"
setup_profile() {
  export VAULTORA_HOME="$1"
  "$cli" connection set --host "$host" --port "$port" --direct
  printf '%s\n' "$key" | "$cli" key set
  printf '%s\n' "$password" | "$cli" account set "$logon"
}

# 3. First computer: list, backup, send.
step setup-first setup_profile "$demo/first"
step list "$cli" list create "$folder" --subfolders --wizard
t0=$(now)
step backup "$cli" backup --title "Main job backup"
t1=$(now)
id=$("$cli" catalogue view outbox | awk 'NR == 2 { print $2 }')
# The listing shows the backup's short name; its enciphered archive is the one .BFE built.
archive=$(ls -t "$demo/first"/*.BFE | head -1)
sent_bytes=$(stat -c %s "$archive")
step send "$cli" send
t2=$(now)
echo "Backup $id built and sent ($(awk -v b="$sent_bytes" 'BEGIN{printf "%.1f MB", b/1048576}') enciphered)"

# 4. Second computer: an empty profile learns of the backup from the server, fetches, restores.
step setup-second setup_profile "$demo/second"
step download-settings "$cli" download-settings
step register "$cli" register --all
t3=$(now)
step receive "$cli" receive "$id"
t4=$(now)
step restore "$cli" restore "$id" --to "$demo/restored" --folder-names --yes
t5=$(now)

# 5. The proof: the restored tree equals the original.
restored="$demo/restored${folder}"
if ! diff -r "$folder" "$restored" >"$demo/logs/compare.log" 2>&1; then
  head -20 "$demo/logs/compare.log" >&2
  echo "main job: the restored files differ from the originals" >&2
  exit 1
fi
echo "Restored into $restored: all $files files identical"
echo
echo "Rates:"
threads=$(grep -o 'deflated on [0-9]* thread' "$demo/logs/backup.log" | grep -o '[0-9][0-9]*' || true)
echo "  backup   $(rate "$bytes" "$(awk -v a="$t0" -v b="$t1" 'BEGIN{print b-a}')")  (list to enciphered, catalogued archive; ${threads:-?} deflating thread(s) on $(nproc) processor(s))"
echo "  upload   $(rate "$sent_bytes" "$(awk -v a="$t1" -v b="$t2" 'BEGIN{print b-a}')")"
echo "  download $(rate "$sent_bytes" "$(awk -v a="$t3" -v b="$t4" 'BEGIN{print b-a}')")"
echo "  restore  $(rate "$bytes" "$(awk -v a="$t4" -v b="$t5" 'BEGIN{print b-a}')")  (decipher, prove, extract)"
echo "(each figure includes starting vaultora-cli; logs in $demo/logs)"
