#!/usr/bin/env bash
# Runs each test binary with the wall clock 548 days ahead (the monotonic
# clock is left alone, so timers behave; file times are left alone too, as
# faketime's stat lock would stay held by a child killed inside stat and
# stop the test that killed it). Usage: on_another_date.sh FAKETIME BINARY...
set -uo pipefail
faketime=$1
shift
failed=()
for binary in "$@"; do
  echo "== $(basename "$binary") at $(FAKETIME_DONT_FAKE_MONOTONIC=1 "$faketime" -f '+548d' date -u +%F)"
  if ! NO_FAKE_STAT=1 FAKETIME_DONT_FAKE_MONOTONIC=1 "$faketime" -f '+548d' "$binary" --gtest_brief=1; then
    failed+=("$(basename "$binary")")
  fi
done
if [ ${#failed[@]} -ne 0 ]; then
  echo "failed on another date: ${failed[*]}" >&2
  exit 1
fi
