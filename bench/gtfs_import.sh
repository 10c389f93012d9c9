#!/usr/bin/env bash
# Times the real `sorane-route` on synthetic GTFS-JP feeds: wall time and
# peak memory of each run, by GNU time.
# - The city feed (bench/gtfs_bench_feed.cpp, about 3 MB zipped): from-gtfs
#   importing one route (38 stops, tickets grouped at fare boundaries) five
#   times, and gtfs-routes listing all 80 routes and directions; then the
#   same feed at 4 and 16 times its routes and stops (gtfs-routes and
#   from-gtfs once each): the time must grow no faster than the feed.
#   Target for the import: 0.5 s and 100 MB.
# - With --limits, also the feeds at the limits a feed may reach
#   (bench/gtfs_limit_feeds.cpp, folders of up to 512 MiB in a temporary
#   folder): gtfs-routes and from-gtfs on each, which must end within 5 s and
#   1 GiB, refusing with a message where the feed is more than the reader
#   takes.
# Needs -DSORANE_BUILD_BENCH=ON.
# Usage: bench/gtfs_import.sh [--limits]
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/bin
if [ ! -x "$bin/gtfs_bench_feed" ] || [ ! -x "$bin/gtfs_limit_feeds" ] || [ ! -x /usr/bin/time ]; then
  echo "gtfs_import.sh: needs build/bin/gtfs_bench_feed and gtfs_limit_feeds (-DSORANE_BUILD_BENCH=ON) and /usr/bin/time" >&2
  exit 2
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# One run: its wall time and peak memory, and the first line it printed on
# standard error when it failed.
run() {
  local status=0
  timeout 120 /usr/bin/time -o "$tmp/time" -f '%e s, %M KB peak' "$bin/sorane-route" "$@" \
    >/dev/null 2>"$tmp/err" || status=$?
  printf '%s' "$(cat "$tmp/time" | tail -1)"
  if [ "$status" -ne 0 ]; then printf '  exit %s: %s' "$status" "$(grep -v '^Command' "$tmp/err" | tail -1 | cut -c1-160)"; fi
  printf '\n'
}

timeout 60 "$bin/gtfs_bench_feed" "$tmp/feed.zip" 110
for i in 1 2 3 4 5; do
  printf 'from-gtfs:   '
  run from-gtfs "$tmp/feed.zip" --route R7 --direction 0 --number 7 --out "$tmp"
done
printf 'gtfs-routes: '
run gtfs-routes "$tmp/feed.zip"

for scale in 1 4 16; do
  timeout 300 "$bin/gtfs_bench_feed" "$tmp/feed$scale.zip" 110 "$scale" >/dev/null
  printf '%2sx (%s bytes zipped)\n  gtfs-routes: ' "$scale" "$(stat -c %s "$tmp/feed$scale.zip")"
  run gtfs-routes "$tmp/feed$scale.zip"
  printf '  from-gtfs:   '
  run from-gtfs "$tmp/feed$scale.zip" --route R7 --direction 0 --number 7 --out "$tmp"
done

if [ "${1:-}" = --limits ]; then
  for feed in stop-times stops fare-rules names routes total; do
    timeout 600 "$bin/gtfs_limit_feeds" "$tmp/limits" "$feed" >/dev/null
    printf '%s (%s)\n  gtfs-routes:             ' "$feed" "$(du -sh "$tmp/limits/$feed" | cut -f1)"
    run gtfs-routes "$tmp/limits/$feed"
    printf '  gtfs-routes --no-fares:  '
    run gtfs-routes "$tmp/limits/$feed" --no-fares
    route=$(sed -n 2p "$tmp/limits/$feed/routes.txt" | cut -d, -f1)
    printf '  from-gtfs:               '
    run from-gtfs "$tmp/limits/$feed" --route "$route" --direction 0 --number 1 --out "$tmp"
    printf '  from-gtfs --no-fares:    '
    run from-gtfs "$tmp/limits/$feed" --route "$route" --direction 0 --number 1 --out "$tmp" --no-fares
    rm -rf "$tmp/limits/$feed"
  done
fi
