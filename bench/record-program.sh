#!/usr/bin/env bash
# The program's own recordings, measured:
#  render  - `318 --render` of the demo route at each scale: seconds of
#            video a second, and peak memory;
#  live    - `318 --record` under Xvfb: route 1 set from the keyboard, the
#            CPU and memory of the program while it records, the frames the
#            encoder repeated, and the A/V distance: the route set's chime
#            (its first sound after a silence) against the lamp test's first
#            frame (the board suddenly bright), both found in the file.
# Usage: bench/record-program.sh [seconds of live recording, 20]
# Knobs: BOARD=led|lcd and SCALE=1|2|3 for the live recording; LEAD=seconds
# recorded before the route is entered (0; 600 shows the A/V distance after
# ten minutes); DRIVE=1 drives the route (--auto) while it is measured;
# RENDER=0 skips the renders; KEEP=FILE keeps the live recording.
set -euo pipefail
cd "$(dirname "$0")/.."
program=$PWD/build/bin/318
[ -x "$program" ] || { echo "build 318 first" >&2; exit 1; }
seconds=${1:-20}
board=${BOARD:-led}
scale=${SCALE:-1}
lead=${LEAD:-0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config XDG_RUNTIME_DIR=$work/run
mkdir -m 700 -p "$XDG_RUNTIME_DIR"

[ "${RENDER:-1}" = 0 ] ||
for s in 1 2; do
  out=$(timeout 900 /usr/bin/time -f 'peak %M KB, %e s' "$program" --render "$work/render.mp4" \
          --route 1 --scale "$s" --board "$board" 2>&1)
  video=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/render.mp4")
  size=$(ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=p=0 "$work/render.mp4")
  wall=$(grep -oE '[0-9.]+ s$' <<<"$out" | cut -d' ' -f1)
  printf 'render %s %sx (%s): %.1f s of video in %s s: %.1fx real time, %s\n' "$board" "$s" "$size" \
    "$video" "$wall" "$(echo "$video / $wall" | bc -l)" "$(grep -o 'peak [0-9]* KB' <<<"$out")"
done

cat > "$work/live.sh" <<EOS
set -e
"$program" --board $board --scale $scale $([ "${DRIVE:-0}" = 1 ] && echo --auto) \\
  --record "$work/live.mp4" > "$work/live.log" 2>&1 &
pid=\$!
timeout 20 xdotool search --sync --onlyvisible --name '^ソラネ - 型番:318\$' > /dev/null
# The LCD board takes the classic board's place once the program is up.
sleep 3
board=\$(xdotool search --onlyvisible --name '^ソラネ - 型番:318\$' | tail -1)
xdotool windowfocus --sync "\$board"
sleep 1
sleep $lead
xdotool key --delay 150 r 1 s 1
sleep 2
xdotool key Return
sleep 4
before=\$(cut -d' ' -f14,15 /proc/\$pid/stat)
start=\$(date +%s.%N)
if [ "${DRIVE:-0}" = 1 ]; then
  # Until the drive has ended and the recording with it, at most $seconds s.
  for i in \$(seq $seconds); do grep -qa '録画しました' "$work/live.log" && break; sleep 1; done
else
  sleep $seconds
fi
after=\$(cut -d' ' -f14,15 /proc/\$pid/stat)
measured=\$(echo "\$(date +%s.%N) - \$start" | bc -l)
rss=\$(grep VmHWM /proc/\$pid/status | tr -s ' ' | cut -d' ' -f2)
ticks=\$(getconf CLK_TCK)
echo "\$before \$after \$ticks \$rss \$measured" > "$work/cpu"
kill -TERM \$pid
wait \$pid || true
EOS
timeout $((seconds + lead + 120)) xvfb-run -a -s '-screen 0 2560x1600x24' bash "$work/live.sh"
read -r u0 s0 u1 s1 ticks rss measured < "$work/cpu"
size=$(ffprobe -v error -select_streams v -show_entries stream=width,height -of csv=p=0 "$work/live.mp4")
printf 'live %s %sx (%s): %.3f cores while recording (%.0f s), peak %s KB\n' "$board" "$scale" \
  "$size" "$(echo "($u1 + $s1 - $u0 - $s0) / $ticks / $measured" | bc -l)" "$measured" "$rss"

grep -a '録画しました' "$work/live.log" || echo "no summary in the log" >&2
[ -z "${KEEP:-}" ] || cp "$work/live.mp4" "$KEEP"

# A drive sounds all along: no first chime to find.
[ "${DRIVE:-0}" = 1 ] && exit 0

# The lamp test: the first frame whose board is 4 % brighter than the one before.
lamp=$(ffmpeg -hide_banner -i "$work/live.mp4" -vf "crop=iw:ih*0.6:0:0,signalstats,metadata=print:key=lavfi.signalstats.YAVG" \
         -f null - 2>&1 | awk '/pts_time/ {split($0, a, "pts_time:"); t = a[2] + 0}
           /YAVG/ {split($0, b, "="); y = b[2] + 0; if (prev > 0 && y > 1.04 * prev && !found) {print t; found = 1}; prev = y}')
# The chime: the end of the silence (1.5 s or more; the keys typed before
# it click) that ends nearest the lamp test.
chime=$(ffmpeg -hide_banner -i "$work/live.mp4" -af silencedetect=n=-50dB:d=1.5 -f null - 2>&1 |
          grep -oE 'silence_end: [0-9.]+' | cut -d' ' -f2 |
          awk -v lamp="$lamp" '{d = $1 - lamp; if (d < 0) d = -d; if (!n++ || d < best) {best = d; t = $1}} END {print t}')
printf 'A/V: chime at %.3f s, lamp test at %.3f s: the sound %+.0f ms from the picture\n' \
  "$chime" "$lamp" "$(echo "($chime - $lamp) * 1000" | bc -l)"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
