#!/bin/bash
# Runs a command against a private Xvfb server on a free display number and
# stops the server afterwards, so that tests can run side by side.
set -u

work=$(mktemp -d)
cleanup() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# -displayfd makes the server pick a free display and write its number once
# it listens. -noreset keeps it from resetting each time its last client
# leaves: during a reset it refuses connections, and a test's next client
# (the game started a second time, say) would find no display.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$work/display" 2>"$work/log" &
xvfb_pid=$!
for _ in $(seq 200); do
  [ -s "$work/display" ] && break
  if ! kill -0 "$xvfb_pid" 2>/dev/null; then
    echo "Xvfb did not start:" >&2; cat "$work/log" >&2; exit 1
  fi
  sleep 0.05
done
[ -s "$work/display" ] || { echo "Xvfb gave no display" >&2; exit 1; }

DISPLAY=":$(cat "$work/display")" "$@"
