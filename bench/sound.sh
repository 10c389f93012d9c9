#!/usr/bin/env bash
# Sound and speech figures: MIDI render and WAV decode times (Google
# Benchmark), then tape-to-speech latency (prepared, cold, and over 100
# presses mixed with route sets and voice changes at an operator's pace, one
# every 500 ms unless --pace MS says otherwise), the stop phrase's latency,
# the gap from a Japanese line's end to its English (at most 50 ms every
# time), the waited-play hold and the resident memory with speech loaded.
# Usage: bench/sound.sh [--pace MS]   (after configuring with -DSORANE_BUILD_BENCH=ON)
# Without a sound card SDL's dummy driver paces the output in real time.
set -euo pipefail
cd "$(dirname "$0")/.."
ninja -C build sound_bench sound_latency >/dev/null
# Each part is held to a time limit well past its usual length.
timeout 600 build/bin/sound_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
timeout 900 build/bin/sound_latency "$@"
