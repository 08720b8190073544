#!/usr/bin/env bash
# Runs after every other test: fails when a process of a test's system root is still alive, a
# Wine server or a program the installer started, whose root the test has removed or is about to.
# A test root is a WINEPREFIX below the temporary folder named as the tests name them.
set -uo pipefail
tmp=${TMPDIR:-/tmp}
left=0
for environ in /proc/[0-9]*/environ; do
  pid=${environ#/proc/}
  pid=${pid%/environ}
  [ "$pid" = $$ ] && continue
  # A process that ends while it is read has nothing to say.
  prefix=$({ tr '\0' '\n' <"$environ"; } 2>/dev/null | sed -n 's/^WINEPREFIX=//p' | head -n 1)
  case $prefix in
    "$tmp"/winroot-* | "$tmp"/wine-lifecycle-*) ;;
    *) continue ;;
  esac
  args=$({ tr '\0' ' ' <"/proc/$pid/cmdline"; } 2>/dev/null) || continue
  echo "still running: $pid $args (WINEPREFIX=$prefix)" >&2
  left=$((left + 1))
done
echo "$left processes of test roots left running"
[ "$left" -eq 0 ]
