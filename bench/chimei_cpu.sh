#!/usr/bin/env bash
# Process CPU time while a 20-cell stop name scrolls at Speed 5 for 10 s:
# once on the offscreen platform, once on X11 under Xvfb when it is there.
# Usage: bench/chimei_cpu.sh [seconds]
# (after cmake -DSORANE_BUILD_BENCH=ON and building chimei_scroll_cpu; BUILD_DIR
# names another build folder)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-10}
prog=${BUILD_DIR:-build}/bin/chimei_scroll_cpu
export XDG_RUNTIME_DIR=$(mktemp -d)
trap 'rm -rf "$XDG_RUNTIME_DIR"' EXIT

# Each run is held to its length and a minute more.
limit=$((seconds + 60))
QT_QPA_PLATFORM=offscreen timeout "$limit" "$prog" "$seconds"
if command -v xvfb-run >/dev/null; then
  QT_QPA_PLATFORM=xcb timeout "$limit" xvfb-run -a -s '-screen 0 1280x800x24' "$prog" "$seconds"
fi
