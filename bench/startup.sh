#!/usr/bin/env bash
# Start-up time of the real program under Xvfb: from exec until both windows
# are mapped (MapNotify seen on the root window), median of N runs; then the
# program's CPU time over a few idle seconds. Every wait has a time limit.
# Each program starts from a folder of its own with the demo settings beside
# it (as tools/run leaves them) and no view.ini. Given several programs
# (another build's 318, say), it starts them in turn, run by run, so that
# they share whatever else the machine does, and prints their figures side
# by side.
# Usage: bench/startup.sh [runs] [program...]   (default: build/bin/318;
# needs build/bin/sorane-demo-settings)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
shift || true
programs=("$@")
[ ${#programs[@]} -gt 0 ] || programs=(build/bin/318)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
for k in "${!programs[@]}"; do
  mkdir "$work/$k"
  cp "$(realpath "${programs[$k]}")" "$work/$k/318"
  build/bin/sorane-demo-settings "$work/$k/318.in4" data/demo
done

# Waits up to $1 seconds for the command that follows to succeed.
wait_for() {
  local limit=$1
  shift
  local deadline=$((SECONDS + limit))
  until "$@"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.01
  done
}
# Ends process $1 and waits at most two seconds for it.
stop() {
  kill "$1" 2>/dev/null || return 0
  wait_for 2 bash -c "! kill -0 $1 2>/dev/null" || kill -9 "$1" 2>/dev/null || true
  wait "$1" 2>/dev/null || true
}

display=:77
Xvfb $display -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
wait_for 10 test -e /tmp/.X11-unix/X77 || { echo "Xvfb did not start" >&2; exit 1; }
# No session bus: Qt would otherwise try to launch one at every start, which
# varies by tens of milliseconds.
export DISPLAY=$display XDG_RUNTIME_DIR=$work XDG_CONFIG_HOME=$work/config SDL_AUDIODRIVER=dummy \
  DBUS_SESSION_BUS_ADDRESS=unix:path=$work/no-bus

maps() { grep -c '^MapNotify' "$1" 2>/dev/null || true; }
declare -A times idle
for i in $(seq "$runs"); do
  for k in "${!programs[@]}"; do
    rm -rf "$work/config"
    events=$work/events.$k.$i
    xev -root -event substructure > "$events" &
    xev_pid=$!
    sleep 0.3
    kill -0 $xev_pid 2>/dev/null || { echo "xev ended before the program started" >&2; exit 1; }
    start=$(date +%s%N)
    "$work/$k/318" &
    pid=$!
    # Both windows mapped, or give up after 20 s; xev ending early ends the
    # wait too.
    deadline=$((SECONDS + 20))
    while [ "$(maps "$events")" -lt 2 ]; do
      if ! kill -0 $xev_pid 2>/dev/null && [ "$(maps "$events")" -lt 2 ]; then
        echo "xev ended after $(maps "$events") of 2 MapNotify events" >&2
        exit 1
      fi
      if [ "$SECONDS" -ge "$deadline" ]; then
        echo "no two windows mapped within 20 s" >&2
        exit 1
      fi
      sleep 0.002
    done
    end=$(date +%s%N)
    times[$k]="${times[$k]:-} $(( (end - start) / 1000000 ))"
    if [ "$i" = "$runs" ]; then
      sleep 1
      t0=$(awk '{print $14+$15}' /proc/$pid/stat)
      sleep 5
      t1=$(awk '{print $14+$15}' /proc/$pid/stat)
      idle[$k]=$(( (t1 - t0) * 10 ))
    fi
    stop $pid
    stop $xev_pid
  done
done
for k in "${!programs[@]}"; do
  sorted=$(printf '%s\n' ${times[$k]} | sort -n)
  median=$(echo "$sorted" | sed -n "$(( (runs + 1) / 2 ))p")
  echo "${programs[$k]}: start-up to both windows mapped (ms): $(echo $sorted); median $median ms; idle CPU over 5 s: ${idle[$k]} ms"
done
