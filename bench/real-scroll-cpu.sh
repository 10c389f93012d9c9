#!/usr/bin/env bash
# CPU of the real program while a long stop name scrolls: starts build/bin/318
# under Xvfb on a two-stop route whose second stop has a 20-cell name, sets
# it on the keypad, steps to that stop and reads the process's CPU time over
# 10 s of scrolling at Speed 5. Then 10 s with a standing name, for
# comparison. Every wait has a time limit.
set -euo pipefail
cd "$(dirname "$0")/.."
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cp build/bin/318 "$work/318"
display=:79
Xvfb $display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X79 ] && break; sleep 0.1; done
[ -e /tmp/.X11-unix/X79 ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=$display XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy
mkdir "$work/data"
{
  printf '一番町,1'; for _ in $(seq 32); do printf ',0'; done; echo
  printf 'ソラネ市立第二中学校前ソラネ駅行き乗り場,2,170'; for _ in $(seq 31); do printf ',0'; done; echo
  printf '終点,3,190,170'; for _ in $(seq 30); do printf ',0'; done; echo
} > "$work/data/route.csv"
build/bin/sorane-route to-hy3 "$work/data/route.csv" "$work/data/2.hy3" >/dev/null
build/bin/sorane-demo-settings "$work/318.in4" "$work/data"
"$work/318" 2>/dev/null &
pid=$!
win=$(timeout 20 xdotool search --sync --name '^集中操作盤$' | head -1) || true
[ -n "$win" ] || { echo "the panel did not appear within 20 s" >&2; exit 1; }
sleep 1
eval "$(timeout 5 xdotool getwindowgeometry --shell "$win")"
click() { timeout 5 xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 0.15; }
cpu() { awk '{print $14 + $15}' /proc/$pid/stat; }
measure() {
  local t0 t1
  t0=$(cpu); sleep 10; t1=$(cpu)
  echo "$1: $(( (t1 - t0) * 10 )) ms CPU in 10 s ($(echo "scale=2; ($t1 - $t0) / 10" | bc 2>/dev/null || echo "?")% of one core)"
}
click 71 130; click 71 102; click 103 130; click 39 102; click 70 156   # 系統 2 区間 1 リセット
sleep 4
click 205 58                                                           # データ送り: the 20-cell name
sleep 0.5
measure "scrolling a 20-cell name"
click 205 58                                                           # the last stop: a standing name
sleep 1
measure "standing name"
