#!/usr/bin/env bash
# The release build is reproducible: built twice from the same tree, in two build folders, it
# gives the same bytes (scripts/release.sh also installs with each, so both pass their own
# checks). On a difference it names the sections that differ.
#
# Usage: release_reproducible_test.sh <source folder> <work folder>
set -uo pipefail
source=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
for build in first second; do
  if ! bash "$source/scripts/release.sh" "$work/$build" >"$work/$build.log" 2>&1; then
    echo "the $build release build failed:" >&2
    tail -n 30 "$work/$build.log" >&2
    exit 1
  fi
  tail -n 1 "$work/$build.log"
done
first=$work/first/src/setup/VostrelSetup
second=$work/second/src/setup/VostrelSetup
if cmp -s "$first" "$second"; then
  echo "1 passed, 0 failed"
  rm -rf "$work"
  exit 0
fi
echo "the two release builds differ in $(cmp -l "$first" "$second" | wc -l) bytes" >&2
for section in $(objdump -h "$first" | awk '$1 ~ /^[0-9]+$/ {print $2}'); do
  objcopy -O binary --only-section="$section" "$first" "$work/a.bin" 2>/dev/null
  objcopy -O binary --only-section="$section" "$second" "$work/b.bin" 2>/dev/null
  cmp -s "$work/a.bin" "$work/b.bin" || echo "  section $section differs" >&2
done
echo "0 passed, 1 failed"
exit 1
