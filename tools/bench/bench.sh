#!/usr/bin/env bash
# Conversion speed against the time of just reading the pages. For each size it generates a
# Discus board (pages of 25 posts, about 1 KB of HTML per post, 20 boards, 2,000 members),
# measures in the same run the read baseline (`cat` of all page files into md5sum, after one
# warming read) and the batch conversion (/usr/bin/time -v), and prints one line per size:
#   posts, MB of HTML, baseline s, conversion wall s, ratio wall/baseline, posts/s, MB/s,
#   user s, sys s, peak RSS MB
# A benchmark, not a test: no figure is checked against a limit.
#
#   tools/bench/bench.sh [--million] [--load] [--sizes "50000 100000"] [--keep] [--output-in DIR] [work folder]
#     --million  also the 1,000,000-post board
#     --load     also load each script into a private MariaDB holding a fresh phpBB 3.3 board
#                and print the load time, the warnings and the rows per table
#     --sizes    the sizes to run (multiples of 500), instead of "50000 100000 200000"
#     --keep     keep each output folder (by default removed after its line is printed)
#     --output-in  the folder that receives the output folders instead of the work folder,
#                e.g. /dev/shm to leave the disk's file creation out of the figures (creating
#                files on ext4 slows down for minutes after many files were deleted)
#   work folder  default build/bench; generated boards are kept there and reused
#
# Needs build/quillbridge and build/tools/qb-genboard (cmake --build build), /usr/bin/time,
# and for --load mariadbd, mariadb-install-db and mariadb (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
sizes="50000 100000 200000"
million=0 load=0 keep=0 work="" outputs=""
while [ $# -gt 0 ]; do
  case "$1" in
    --million) million=1 ;;
    --load) load=1 ;;
    --keep) keep=1 ;;
    --sizes) sizes="$2"; shift ;;
    --output-in) outputs="$2"; shift ;;
    -*) echo "Unknown option $1" >&2; exit 2 ;;
    *) work="$1" ;;
  esac
  shift
done
[ "$million" -eq 1 ] && sizes="$sizes 1000000"
work=$(realpath -m "${work:-$root/build/bench}")
outputs=$(realpath -m "${outputs:-$work}")
program="$root/build/quillbridge"
genboard="$root/build/tools/qb-genboard"
schema="$root/../shared/phpbb/phpbb33-fresh.sql"
for f in "$program" "$genboard" /usr/bin/time; do
  [ -e "$f" ] || { echo "Missing $f (build first: cmake --build build; scripts/setup.sh)" >&2; exit 2; }
done
[ "$load" -eq 0 ] || [ -e "$schema" ] || { echo "Missing $schema" >&2; exit 2; }
mkdir -p "$work" "$outputs"
now() { date +%s.%N; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }

server=""
cleanup() {
  if [ -n "$server" ]; then kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; fi
}
trap cleanup EXIT
sql() { mariadb --no-defaults --socket="$work/mariadb/s.sock" -uroot --default-character-set=utf8mb4 "$@"; }
start_mariadb() {
  local db="$work/mariadb" user=()
  rm -rf "$db"; mkdir -p "$db"
  [ "$(id -u)" -eq 0 ] && user=(--user=root)
  mariadb-install-db --no-defaults --datadir="$db/data" --auth-root-authentication-method=normal \
    --skip-test-db "${user[@]}" > "$db/install.log" 2>&1
  mariadbd --no-defaults --datadir="$db/data" --socket="$db/s.sock" --skip-networking "${user[@]}" \
    --pid-file="$db/pid" --log-error="$db/err.log" --tmpdir="$db" --local-infile=1 \
    --innodb-buffer-pool-size=256M --innodb-flush-log-at-trx-commit=2 2> "$db/server.stderr" &
  server=$!
  for _ in $(seq 1 300); do sql -e "SELECT 1" >/dev/null 2>&1 && break; sleep 0.2; done
}

# 4 categories x 5 boards; each board page lists posts/500 pages of 25 posts.
generate() {
  local posts=$1 board="$work/board-$1" fanout=$(($1 / 500))
  local args=(--seed "$posts" --categories 4 --boards 5 --depth 1 --fanout "$fanout" --posts 25
              --members 2000 --groups 8 --hidden-every 50 --newest-first-every 7 --unknown-every 97
              --username-every 9 --announcement-every 4 --attachment-every 200 --link-every 50)
  if [ -f "$board/.args" ] && [ "$(cat "$board/.args")" = "${args[*]}" ]; then
    return
  fi
  rm -rf "$board"
  echo "Generating the $posts-post board..." >&2
  "$genboard" --out "$board" "${args[@]}" > "$work/manifest-$posts.txt"
  echo "${args[*]}" > "$board/.args"
}

convert() {
  local board=$1 out=$2 ini=$3
  rm -rf "$out" "$ini"
  /usr/bin/time -v -o "$out.time" "$program" --convert --settings "$ini" \
    --set "DiscusRootFolder=$board" \
    --set "phpBB3_OutputFolder=$out" \
    --set "DiscusWebsite=http://www.kestrel-valley-birders.example" \
    --set "phpBB3ForumAddr=http://forum.kestrel-valley-birders.example/" \
    --set "phpBB3_Admin=admin" --set "phpBB3_Users=57" --set "phpBB3_Groups=7" --set "phpBB3Version=3.3" \
    --set "Display=0" --set "Log=1" > "$out.stdout" 2> "$out.stderr"
}

printf '%9s %8s %10s %9s %7s %9s %7s %8s %7s %9s\n' \
  posts "HTML MB" "baseline s" "wall s" ratio "posts/s" "MB/s" "user s" "sys s" "RSS MB"
for posts in $sizes; do
  generate "$posts"
  board="$work/board-$posts" out="$outputs/output-$posts"
  mapfile -d '' pages < <(find "$board" -name '*.html' -type f -print0 | sort -z)
  # xargs: the page list of a big board is longer than one command line may be.
  bytes=$(printf '%s\0' "${pages[@]}" | xargs -0 cat | wc -c)   # also warms the page cache
  t0=$(now)
  printf '%s\0' "${pages[@]}" | xargs -0 cat | md5sum > /dev/null
  t1=$(now)
  baseline=$(calc "%.3f" "$t1 - $t0")
  status=0
  convert "$board" "$out" "$work/bench-$posts.ini" || status=$?
  if [ "$status" -ne 0 ]; then
    echo "$posts posts: the conversion exited with $status" >&2
    tail -20 "$out.stderr" >&2
    exit 1
  fi
  wall=$(awk -F': ' '/Elapsed \(wall clock\)/ { n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s }' "$out.time")
  user=$(awk -F': ' '/User time/ { print $2 }' "$out.time")
  sys=$(awk -F': ' '/System time/ { print $2 }' "$out.time")
  rss=$(awk -F': ' '/Maximum resident set size/ { print $2 }' "$out.time")
  mb=$(calc "%.1f" "$bytes / 1000000")
  printf '%9d %8s %10s %9s %7s %9s %7s %8s %7s %9s\n' "$posts" "$mb" "$baseline" "$(calc "%.2f" "$wall")" \
    "$(calc "%.1f" "$wall / $baseline")" "$(calc "%.0f" "$posts / $wall")" "$(calc "%.1f" "$bytes / 1000000 / $wall")" \
    "$user" "$sys" "$(calc "%.0f" "$rss / 1024")"
  if [ "$load" -eq 1 ]; then
    [ -n "$server" ] || start_mariadb
    sql -e "DROP DATABASE IF EXISTS bench; CREATE DATABASE bench CHARACTER SET utf8 COLLATE utf8_bin"
    sql bench < "$schema"
    t2=$(now)
    (cd "$out" && sql --local-infile=1 --show-warnings -v bench < "Discus Conversion Import SQL.sql") > "$work/load-$posts.log" 2>&1 \
      || { echo "Loading the script failed:" >&2; tail -20 "$work/load-$posts.log" >&2; exit 1; }
    t3=$(now)
    warnings=$(grep -c -E '^(Warning|Note|Error) \(Code' "$work/load-$posts.log" || true)
    rows=""
    for t in forums topics posts users groups user_group attachments; do
      rows="$rows $t=$(sql -N -B bench -e "SELECT COUNT(*) FROM phpBB3_$t")"
    done
    echo "          load $(calc "%.1f" "$t3 - $t2") s, $warnings warnings, rows:$rows"
  fi
  [ "$keep" -eq 1 ] || rm -rf "$out"
done
