#!/usr/bin/env bash
# Runs a command (a test, the demo) in a desktop session of its own, as a user's desktop gives
# one: a private D-Bus session bus (dbus-run-session) and a private XDG_RUNTIME_DIR, both gone
# when the command ends. Nothing the command starts reaches the session around it, and D-Bus
# never autolaunches a bus that would write into its HOME or outlive it.
#
# Usage: private-session.sh <command> [arguments...]
set -uo pipefail
runtime=$(mktemp -d "${TMPDIR:-/tmp}/private-session-XXXXXX") || exit 1
chmod 700 "$runtime"
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime
unset DBUS_SESSION_BUS_ADDRESS
# As root in a container the bus cannot raise its descriptor limit and says so on every start;
# the command's own errors still come through.
dbus-run-session -- "$@" 2> >(grep -v --line-buffered 'Failed to set fd limit' >&2)
status=$?
wait
exit $status
