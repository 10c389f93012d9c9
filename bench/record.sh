#!/usr/bin/env bash
# The MP4 writer's speed and peak memory: each case of record_bench in a
# process of its own under GNU time. Needs a build with
# -DSORANE_BUILD_BENCH=ON. x_realtime: seconds of video written per second
# (rendering); cores_at_1x: CPU seconds a second of video costs, the share
# of a core a live recording takes.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=build/bin/record_bench
[ -x "$bench" ] || { echo "build record_bench first (tools/configure -DSORANE_BUILD_BENCH=ON)" >&2; exit 1; }
cases=(BM_Render/594/228 BM_Render/960/540 BM_Render/1920/1080
       BM_RenderStill/960/540 BM_RenderStill/1920/1080
       BM_LiveCpu/594/228 BM_LiveCpu/960/540 BM_LiveCpu/1920/1080)
for c in "${cases[@]}"; do
  out=$(timeout 300 /usr/bin/time -f 'peak %M KB' "$bench" --benchmark_filter="^$c/" 2>&1)
  line=$(grep -E "^$c/" <<<"$out" | sed -E 's/ +/ /g')
  peak=$(grep -o 'peak [0-9]* KB' <<<"$out")
  printf '%-26s %s  %s\n' "$c" "$(grep -oE '(cores_at_1x|repeated|x_realtime)=[0-9.]+' <<<"$line" | tr '\n' ' ')" "$peak"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
