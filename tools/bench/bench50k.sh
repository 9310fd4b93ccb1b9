#!/usr/bin/env bash
# The 50,000-post figures: generates a Discus board of 50,000 posts, converts it with the
# batch mode, loads the script into a private MariaDB holding a fresh phpBB 3.3 board, and prints
# the conversion time, the rows per import file and per table, the load time and the
# warnings of the load. Not run by CTest; no figure is checked against a limit.
#
#   tools/bench/bench50k.sh [work folder]     (default: build/bench50k)
#
# Needs build/quillbridge and build/tools/qb-genboard (cmake --build build), mariadbd,
# mariadb-install-db and mariadb (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
work=$(realpath -m "${1:-$root/build/bench50k}")
program="$root/build/quillbridge"
genboard="$root/build/tools/qb-genboard"
schema="$root/../shared/phpbb/phpbb33-fresh.sql"
for f in "$program" "$genboard" "$schema"; do
  [ -e "$f" ] || { echo "Missing $f (build first: cmake --build build)" >&2; exit 2; }
done
rm -rf "$work"
mkdir -p "$work"
now() { date +%s.%N; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.1f", b - a }'; }

# 4 categories x 5 boards; each board page has 10 entries with 10 pages each: 2,000
# deepest pages of 25 posts = 50,000 posts on 2,220 pages.
echo "Generating the board..."
"$genboard" --out "$work/board" --seed 50000 --categories 4 --boards 5 --depth 2 --fanout 10 \
  --posts 25 --members 2000 --groups 8 --hidden-every 50 --newest-first-every 7 \
  --unknown-every 97 --username-every 9 --announcement-every 4 > "$work/manifest.txt"
grep -E '^(categories|boards|pages|pages with posts|posts|members|groups|unknown posters|bytes|time):' "$work/manifest.txt" \
  | sed 's/^/  /'

echo "Converting in batch mode..."
t0=$(now)
set +e
"$program" --convert --settings "$work/bench.ini" \
  --set "DiscusRootFolder=$work/board" \
  --set "phpBB3_OutputFolder=$work/output" \
  --set "DiscusWebsite=http://www.kestrel-valley-birders.example" \
  --set "phpBB3ForumAddr=http://forum.kestrel-valley-birders.example/" \
  --set "phpBB3_Admin=admin" --set "phpBB3_Users=57" --set "phpBB3_Groups=7" --set "phpBB3Version=3.3" \
  --set "Display=0" --set "Log=1" > "$work/convert.out" 2> "$work/convert.err"
status=$?
set -e
t1=$(now)
convert_time=$(seconds "$t0" "$t1")
echo "  exit code $status, $convert_time s"
[ "$status" -eq 0 ] || { tail -20 "$work/convert.err"; exit 1; }
out="$work/output"
echo "Rows per import file:"
for f in "$out"/phpBB3_*.txt; do
  printf '  %-26s %8d rows %10d bytes\n' "$(basename "$f")" "$(grep -c $'\r$' "$f" || true)" "$(stat -c %s "$f")"
done

echo "Loading into a private MariaDB..."
db="$work/mariadb"
mkdir -p "$db"
server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
}
trap cleanup EXIT
user=(); [ "$(id -u)" -eq 0 ] && user=(--user=root)
mariadb-install-db --no-defaults --datadir="$db/data" --auth-root-authentication-method=normal \
  --skip-test-db "${user[@]}" > "$db/install.log" 2>&1
mariadbd --no-defaults --datadir="$db/data" --socket="$db/s.sock" --skip-networking "${user[@]}" \
  --pid-file="$db/pid" --log-error="$db/err.log" --tmpdir="$db" --local-infile=1 \
  --innodb-buffer-pool-size=256M --innodb-flush-log-at-trx-commit=2 2> "$db/server.stderr" &
server=$!
sql() { mariadb --no-defaults --socket="$db/s.sock" -uroot --default-character-set=utf8mb4 "$@"; }
for _ in $(seq 1 300); do sql -e "SELECT 1" >/dev/null 2>&1 && break; sleep 0.2; done
sql -e "CREATE DATABASE bench CHARACTER SET utf8 COLLATE utf8_bin"
sql bench < "$schema"
t2=$(now)
(cd "$out" && sql --local-infile=1 --show-warnings -v bench < "Discus Conversion Import SQL.sql") > "$work/load.log" 2>&1 \
  || { echo "Loading the script failed:"; tail -20 "$work/load.log"; exit 1; }
t3=$(now)
load_time=$(seconds "$t2" "$t3")
warnings=$(grep -c -E '^(Warning|Note|Error) \(Code' "$work/load.log" || true)
echo "  $load_time s, $warnings warnings"
echo "Rows per table:"
for t in forums topics posts users groups user_group attachments; do
  printf '  %-22s %8s rows\n' "phpBB3_$t" "$(sql -N -B bench -e "SELECT COUNT(*) FROM phpBB3_$t")"
done
echo
echo "Figures: conversion $convert_time s, load $load_time s, posts $(sql -N -B bench -e "SELECT COUNT(*) FROM phpBB3_posts"), warnings $warnings"
