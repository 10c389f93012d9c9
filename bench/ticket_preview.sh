#!/usr/bin/env bash
# The ticket preview through the real program, for the demo plug-in and each
# hostile plug-in of tests/support/hostile_tickets.h: the demo route with
# that plug-in in the preview (ticked), route 1 set from the keys, then
# STEPS steps (→), each timed from the key to the program's event loop
# answering (bench/ui_ping; "idle" is the same without a key, "no-op" with
# a key that presses nothing, which is what xdotool itself costs); the
# plug-in's message, if one comes, is closed. Then 終了 (the close question
# answered はい), timed from the Return to the process gone.
# Targets: a step under 100 ms, 終了 within 2 s.
# Usage: bench/ticket_preview.sh [STEPS]   (after configuring with -DSORANE_BUILD_BENCH=ON)
set -euo pipefail
cd "$(dirname "$0")/.."
steps=${1:-8}
ninja -C build 318 sorane-ticket sorane-demo-settings hostile_tickets ui_ping >/dev/null
bin=$(realpath build/bin)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

# Runs the command that follows until it succeeds, for at most $1 seconds.
wait_for() {
  local end=$((SECONDS + $1))
  shift
  while ! "$@"; do ((SECONDS < end)) || return 1; sleep 0.05; done
}
window() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true; }
has_window() { [ -n "$(window "$1")" ]; }
median() { sort -n | awk '{a[NR]=$1} END {print (NR ? a[int((NR + 1) / 2)] : "-")}'; }

display=:79
Xvfb $display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
wait_for 10 test -e /tmp/.X11-unix/X79 || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=$display XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config SDL_AUDIODRIVER=dummy

timeout 60 "$bin/hostile_tickets" "$work/hostile" > "$work/list"
printf '%s\t%s\t%s\n' "$PWD/data/demo" seiriken_basic.4SP "the demo plug-in" | cat - "$work/list" > "$work/all"

printf '%-60s %6s %6s %6s %6s %8s %s\n' plug-in idle no-op step max 終了 message
while IFS=$'\t' read -r folder plugin name; do
  prog=$work/prog demo=$work/demo
  rm -rf "$prog" "$demo"
  mkdir -p "$prog"
  cp "$bin/318" "$bin/sorane-ticket" "$prog/"
  cp -r data/demo "$demo"
  cp "$folder"/* "$demo/"
  cp "$folder/$plugin" "$demo/seiriken_basic.4SP"
  timeout 30 "$bin/sorane-demo-settings" "$prog/318.in4" "$demo" >/dev/null
  "$prog/318" 2>"$work/stderr" &
  pid=$!
  wait_for 20 has_window '^集中操作盤$' || { echo "no panel" >&2; exit 1; }
  panel=$(window '^集中操作盤$')
  sleep 0.5
  xdotool windowfocus --sync "$panel"
  xdotool key --delay 80 r 1 Return
  sleep 4  # the lamp test
  idle=$(timeout 15 "$bin/ui_ping" "$panel") || { echo "$name: no answer to a ping" >&2; cat "$work/stderr" >&2; exit 1; }
  noop=$(timeout 15 "$bin/ui_ping" "$panel" xdotool key shift)
  times=() message=-
  for i in $(seq "$steps"); do
    times+=("$(timeout 15 "$bin/ui_ping" "$panel" xdotool key Right)")
    sleep 1.5  # the helper draws, or is killed at its limit
    box=$(window '^プラグインエラー$')
    if [ -n "$box" ]; then
      message=yes
      xdotool windowfocus --sync "$box" key Return
      sleep 0.3
      xdotool windowfocus --sync "$panel"
    fi
  done
  timeout 15 "$bin/ui_ping" --close "$panel"
  wait_for 10 has_window '^ソラネの終了確認$' || { echo "no quit question" >&2; exit 1; }
  question=$(window '^ソラネの終了確認$')
  xdotool windowfocus --sync "$question"
  start=$(date +%s%N)
  xdotool key Return
  wait_for 20 bash -c "! kill -0 $pid 2>/dev/null" || { echo "$name: still running" >&2; kill -9 $pid; }
  quit=$((($(date +%s%N) - start) / 1000000))
  wait $pid 2>/dev/null || true
  step=$(printf '%s\n' "${times[@]}" | median)
  max=$(printf '%s\n' "${times[@]}" | sort -n | tail -1)
  printf '%-60s %6s %6s %6s %6s %8s %s\n' "$name" "$idle" "$noop" "$step" "$max" "$quit ms" "$message"
done < "$work/all"
