#!/usr/bin/env bash
# tools/configure in a copied checkout whose build/ still names the old
# place: it configures, drops the stale build, and keeps the settings file.
set -euo pipefail
source_dir=$1
copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
git -C "$source_dir" ls-files -z | (cd "$source_dir" && xargs -0 cp --parents -t "$copy")

mkdir -p "$copy/build/bin" "$copy/build/src"
printf 'CMAKE_HOME_DIRECTORY:INTERNAL=/old/place\nCMAKE_GENERATOR:INTERNAL=Ninja\n' \
  >"$copy/build/CMakeCache.txt"
printf 'my settings' >"$copy/build/bin/318.in4"
touch "$copy/build/src/stale.o" "$copy/build/bin/318"

timeout 300 "$copy/tools/configure" 2>"$copy/err.txt"
fail() { echo "configure_test: $*" >&2; exit 1; }
[ "$(cat "$copy/build/bin/318.in4")" = "my settings" ] || fail "the settings file changed"
[ ! -e "$copy/build/src/stale.o" ] || fail "the stale build stayed"
[ ! -e "$copy/build/bin/318" ] || fail "the old program stayed"
grep -q "^CMAKE_HOME_DIRECTORY:INTERNAL=$copy\$" "$copy/build/CMakeCache.txt" || fail "not configured here"
grep -q "made for /old/place" "$copy/err.txt" || fail "it did not say what it did"
# A second run leaves a good build folder alone and says nothing.
touch "$copy/build/keep.me"
timeout 300 "$copy/tools/configure" 2>"$copy/err2.txt"
[ -e "$copy/build/keep.me" ] && [ ! -s "$copy/err2.txt" ] || fail "a good build folder was touched"
echo "configure_test: ok"
