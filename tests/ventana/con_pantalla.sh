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
DISPLAY=":$numero" dbus-run-session -- "$@"
