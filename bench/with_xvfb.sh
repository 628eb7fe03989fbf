#!/usr/bin/env bash
# Runs the command given as arguments with DISPLAY set to an X server of its own:
# an Xvfb on a free display, started first and stopped afterwards.
set -euo pipefail
ready=$(mktemp)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$ready" 2>/dev/null &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -f "$ready"' EXIT
for _ in $(seq 100); do
    [ -s "$ready" ] && break
    kill -0 "$server" 2>/dev/null || { echo "with_xvfb.sh: Xvfb did not start" >&2; exit 1; }
    sleep 0.05
done
[ -s "$ready" ] || { echo "with_xvfb.sh: Xvfb gave no display in 5 s" >&2; exit 1; }
DISPLAY=":$(head -n1 "$ready")" "$@"
