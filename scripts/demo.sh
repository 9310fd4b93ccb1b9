#!/usr/bin/env bash
# The demo: builds Quillbridge, converts the bundled sample Discus board in batch mode,
# shows the output, and loads it into a private MariaDB with phpBB3's tables.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target quillbridge

demo="$root/build/demo"
out="$demo/output"
mkdir -p "$demo"
rm -f "$demo/demo.ini"
set +e
./build/quillbridge --convert --settings "$demo/demo.ini" \
  --set "DiscusRootFolder=$root/samples/discus" \
  --set "phpBB3_OutputFolder=$out" \
  --set "DiscusWebsite=http://www.kestrel-valley-birders.example" \
  --set "phpBB3ForumAddr=http://forum.kestrel-valley-birders.example/" \
  --set "phpBB3_Admin=admin" \
  --set "phpBB3_Users=57" \
  --set "phpBB3_Groups=7" \
  --set "phpBB3Version=3.3" \
  --set "Display=1" --set "Log=1"
status=$?
set -e
echo
echo "Conversion finished with exit code $status. Output: $out"
echo "Rows per import file:"
for f in "$out"/phpBB3_*.txt; do
  [ -e "$f" ] || continue
  printf '  %-34s %6d rows\n' "$(basename "$f")" "$(grep -c $'\r$' "$f" || true)"
done

# Load the script into a private MariaDB server holding a freshly installed phpBB 3.3 board.
schema="$root/../shared/phpbb/phpbb33-fresh.sql"
if [ -f "$schema" ] && command -v mariadbd >/dev/null && [ -f "$out/Discus Conversion Import SQL.sql" ]; then
  db=$(mktemp -d)
  trap 'kill $(cat "$db/pid" 2>/dev/null) 2>/dev/null; sleep 1; rm -rf "$db"' EXIT
  mariadb-install-db --no-defaults --datadir="$db/data" --user=root --auth-root-authentication-method=normal >/dev/null 2>&1
  mariadbd --no-defaults --datadir="$db/data" --socket="$db/s.sock" --skip-networking --user=root \
    --pid-file="$db/pid" --log-error="$db/err.log" 2>/dev/null &
  for _ in $(seq 1 100); do [ -S "$db/s.sock" ] && break; sleep 0.2; done
  sql() { mariadb --no-defaults --socket="$db/s.sock" -uroot "$@"; }
  sql -e "CREATE DATABASE demo CHARACTER SET utf8 COLLATE utf8_bin"
  sql demo < "$schema"
  (cd "$out" && sql --local-infile=1 --show-warnings demo < "Discus Conversion Import SQL.sql") > "$demo/load.log" 2>&1 \
    || { echo "Loading the script failed:"; cat "$demo/load.log"; exit 1; }
  echo
  echo "Loaded into MariaDB (warnings: $(grep -c -i warning "$demo/load.log" || true)):"
  for t in forums topics posts users groups user_group attachments; do
    printf '  %-22s %6s rows\n' "phpBB3_$t" "$(sql -N -B demo -e "SELECT COUNT(*) FROM phpBB3_$t")"
  done
fi
exit $status
