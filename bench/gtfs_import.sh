#!/usr/bin/env bash
# Times the real `sorane-route from-gtfs` importing one route (38 stops,
# tickets grouped at fare boundaries) from a synthetic GTFS-JP feed of about
# 3 MB zipped (bench/gtfs_bench_feed.cpp), and `gtfs-routes` listing all 80
# routes and directions: wall time and peak memory of each run, by GNU time.
# Target for the import: 0.5 s and 100 MB. Needs -DSORANE_BUILD_BENCH=ON.
set -euo pipefail
cd "$(dirname "$0")/.."

bin=build/bin
if [ ! -x "$bin/gtfs_bench_feed" ] || [ ! -x /usr/bin/time ]; then
  echo "gtfs_import.sh: needs build/bin/gtfs_bench_feed (-DSORANE_BUILD_BENCH=ON) and /usr/bin/time" >&2
  exit 2
fi
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
timeout 60 "$bin/gtfs_bench_feed" "$tmp/feed.zip" 110
for i in 1 2 3 4 5; do
  printf 'from-gtfs:   '
  timeout 60 /usr/bin/time -f '%e s, %M KB peak' "$bin/sorane-route" from-gtfs "$tmp/feed.zip" \
    --route R7 --direction 0 --number 7 --out "$tmp" 2>&1 >/dev/null | tail -1
done
printf 'gtfs-routes: '
timeout 60 /usr/bin/time -f '%e s, %M KB peak' "$bin/sorane-route" gtfs-routes "$tmp/feed.zip" \
  2>&1 >/dev/null | tail -1
