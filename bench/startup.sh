#!/usr/bin/env bash
# Start-up time of the real program under Xvfb: from exec until both windows
# are mapped (MapNotify seen on the root window), median of N runs; then the
# program's CPU time over a few idle seconds.
# Usage: bench/startup.sh [runs]   (after building build/bin/318)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
prog=$(realpath build/bin/318)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$prog" "$work/318"

display=:77
Xvfb $display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 50); do [ -e /tmp/.X11-unix/X77 ] && break; sleep 0.1; done
export DISPLAY=$display XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy

times=()
for i in $(seq "$runs"); do
  rm -f "$work"/318.in4
  events=$work/events.$i
  xev -root -event substructure > "$events" &
  xev_pid=$!
  sleep 0.3
  start=$(date +%s%N)
  "$work/318" &
  pid=$!
  while [ "$(grep -c '^MapNotify' "$events" 2>/dev/null || true)" -lt 2 ]; do sleep 0.002; done
  end=$(date +%s%N)
  times+=($(( (end - start) / 1000000 )))
  if [ "$i" = "$runs" ]; then
    sleep 1
    t0=$(awk '{print $14+$15}' /proc/$pid/stat)
    sleep 5
    t1=$(awk '{print $14+$15}' /proc/$pid/stat)
    echo "idle CPU over 5 s: $(( (t1 - t0) * 10 )) ms"
  fi
  kill $pid $xev_pid 2>/dev/null || true
  wait $pid 2>/dev/null || true
done
sorted=$(printf '%s\n' "${times[@]}" | sort -n)
echo "start-up to both windows mapped (ms): $(echo $sorted)"
echo "median: $(printf '%s\n' "${times[@]}" | sort -n | sed -n "$(( (runs + 1) / 2 ))p") ms"
