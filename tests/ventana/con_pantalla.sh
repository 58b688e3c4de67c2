#!/usr/bin/env bash
# Runs a command with a display (Xvfb on the first free number, race-free through
# -displayfd) and a session bus of its own.
set -euo pipefail
fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; rm -f "$fifo"' EXIT
read -r numero <"$fifo"
# GTK's accessibility bridge makes blocking calls to services this private bus starts on
# demand, which now and then stall a program's first window for the bus's 25 s timeout.
export NO_AT_BRIDGE="${NO_AT_BRIDGE:-1}"
DISPLAY=":$numero" dbus-run-session -- "$@"
