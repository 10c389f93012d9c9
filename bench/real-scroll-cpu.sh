#!/usr/bin/env bash
# CPU of the real program while a route is shown and a long stop name moves:
# starts build/bin/318 under Xvfb on a four-stop route whose second and third
# stops have 20-cell names (with a stop file in five languages), sets it on
# the keypad, steps to the second stop and reads the process's CPU time over
# 10 s: the classic board scrolls the name at Speed 5, the LCD board cycles
# the next stop's name through its languages, condensed and scrolled. Then
# 10 s at the last stop, for comparison. Every wait has a time limit.
#
#   bench/real-scroll-cpu.sh [--board led|lcd|both]   (both: the classic board, then the LCD)
#   RECORD=1 bench/real-scroll-cpu.sh ...              (the same while the program records)
set -euo pipefail
cd "$(dirname "$0")/.."
boards=(led lcd)
case "${1:-}" in
  "") ;;
  --board)
    case "${2:-}" in
      led | lcd) boards=("$2") ;;
      both) ;;
      *) echo "usage: $0 [--board led|lcd|both]" >&2; exit 2 ;;
    esac ;;
  *) echo "usage: $0 [--board led|lcd|both]" >&2; exit 2 ;;
esac
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
cp build/bin/318 build/bin/sorane-ticket "$work/"  # the program and its ticket helper
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$work/display")" XDG_RUNTIME_DIR=$work SDL_AUDIODRIVER=dummy
mkdir "$work/data"
long2=ソラネ市立第二中学校前ソラネ駅行き乗り場
long3=ソラネ県立総合運動公園北口バスのりば前
{
  printf '一番町,1'; for _ in $(seq 32); do printf ',0'; done; echo
  printf '%s,2,170' "$long2"; for _ in $(seq 31); do printf ',0'; done; echo
  printf '%s,3,190,170' "$long3"; for _ in $(seq 30); do printf ',0'; done; echo
  printf '終点,4,210,190,170'; for _ in $(seq 29); do printf ',0'; done; echo
} > "$work/data/route.csv"
build/bin/sorane-route to-hy3 "$work/data/route.csv" "$work/data/2.hy3" >/dev/null
cat > "$work/data/2.stops.csv" <<CSV
stop,name,reading,en,zh-Hans,zh-Hant,ko,ic1,ic2,ic3
1,一番町,いちばんちょう,Ichibancho,一番町,一番町,이치반초,,,
2,$long2,そらねしりつだいにちゅうがっこうまえそらねえきゆきのりば,Sorane Municipal Second Junior High School,索拉内市立第二中学前,索拉內市立第二中學前,소라네 시립 제2중학교 앞,167,,
3,$long3,そらねけんりつそうごううんどうこうえんきたぐちばすのりばまえ,Sorane Prefectural Sports Park North Gate,索拉内县立综合运动公园北口,索拉內縣立綜合運動公園北口,소라네 현립 종합운동공원 북문,187,167,
4,終点,しゅうてん,Terminal,终点站,終點站,종점,206,187,167
CSV
cp data/demo/seiriken_basic.4SP data/demo/sorane_logo.svg "$work/data/"  # the ticket the demo settings preview
build/bin/sorane-demo-settings "$work/318.in4" "$work/data"

run() {
  local board=$1 pid win
  local record=()
  [ "${RECORD:-0}" = 1 ] && record=(--record "$work/$board.mp4")
  XDG_CONFIG_HOME="$work/config-$board" "$work/318" --board "$board" "${record[@]}" 2>/dev/null &
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
    echo "$board, $1: $(( (t1 - t0) * 10 )) ms CPU in 10 s ($(echo "scale=2; ($t1 - $t0) / 10" | bc 2>/dev/null || echo "?")% of one core)"
  }
  click 71 130; click 71 102; click 103 130; click 39 102; click 70 156   # 系統 2 区間 1 リセット
  sleep 4
  click 205 58                                                           # データ送り: stop 2
  sleep 0.5
  measure "a 20-cell name moving"
  click 205 58; click 205 58                                             # the last stop
  sleep 1
  measure "at the last stop"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}
for board in "${boards[@]}"; do run "$board"; done
