#!/usr/bin/env bash
# Builds the libFuzzer targets (the asan preset: clang, ASan, UBSan) and runs each in
# turn for the given number of seconds (default 300), one at a time. The corpora start
# from the sample installation and from a generated board, and grow in build-asan/fuzz/.
#   scripts/fuzz.sh [seconds] [target ...]      e.g. scripts/fuzz.sh 600 fuzz_posts
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-300}
shift || true
cmake --preset asan >/dev/null
cmake --build --preset asan -j2 --target fuzz qb-genboard
bin=build-asan/tests/fuzz
work=build-asan/fuzz
targets=("$@")
# Every fuzz executable (not the build's own folders beside them).
[ ${#targets[@]} -gt 0 ] || targets=($(find "$bin" -maxdepth 1 -type f -executable -name 'fuzz_*' -printf '%f\n' | sort))

# Seeds: the sample's pages and member file, a generated board's pages and member file,
# and settings files.
seed() { mkdir -p "$work/seeds/$1"; [ -e "$2" ] && cp -f "$2" "$work/seeds/$1/$(echo "$2" | md5sum | cut -c1-12)" || true; }
if [ ! -d "$work/seeds" ]; then
  gen="$work/generated"
  rm -rf "$gen"
  build-asan/tools/qb-genboard --out "$gen" >/dev/null
  while IFS= read -r -d '' f; do
    seed fuzz_posts "$f"; seed fuzz_textcleaning "$f"
  done < <(find samples "$gen" -name '*.html' -size -64k -print0 2>/dev/null | head -z -n 400)
  while IFS= read -r -d '' f; do seed fuzz_members "$f"; done < <(find samples "$gen" -iname 'user*.txt' -print0 2>/dev/null)
  while IFS= read -r -d '' f; do seed fuzz_inifile "$f"; seed fuzz_settings "$f"; done < <(find samples scripts -name '*.ini' -print0 2>/dev/null)
  while IFS= read -r -d '' f; do seed fuzz_boardwalk "$f"; done < <(find samples "$gen" -name 'board-topics.html' -print0 2>/dev/null)
  printf '[Settings]\r\nphpBB3_Users=47\r\nphpBB3_Groups=7\r\nphpBB3_Admin=admin\r\nSplitMBSize=50\r\nCharset=utf-8\r\nphpBB3Version=3.3\r\nDiscusWebsite=http://www.example.org\r\nphpBB3ForumAddr=http://forum.example.org\r\nDisplay=1\r\nImportPartMBSize=8\r\n' > "$work/seeds/fuzz_inifile_default"
  mkdir -p "$work/seeds/fuzz_inifile" "$work/seeds/fuzz_settings"
  cp "$work/seeds/fuzz_inifile_default" "$work/seeds/fuzz_settings/default"
  mv "$work/seeds/fuzz_inifile_default" "$work/seeds/fuzz_inifile/default"
fi

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
for t in "${targets[@]}"; do
  corpus="$work/corpus/$t"
  mkdir -p "$corpus" "$work/findings/$t"
  echo "== $t: ${seconds}s"
  "$bin/$t" -max_total_time="$seconds" -max_len=65536 -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="$work/findings/$t/" "$corpus" "$work/seeds/$t" 2>&1 | tail -n 25
done
