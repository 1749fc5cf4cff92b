#!/bin/bash
# Makes the README's screenshots of the three screens from the real game:
# builds it, starts it under a private Xvfb with a sample "scores.dat", plays
# a game with real key presses (xdotool) and saves docs/menu.png,
# docs/play.png and docs/highscores.png.
#   scripts/screenshots.sh
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" != --drive ]; then
  scripts/deps.sh test
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
  cmake --build build -j "$(nproc)"
  mkdir -p docs
  exec scripts/with-xvfb.sh "$0" --drive
fi

source tests/e2e_support.sh "$root/build/tessarine3d" "$root/build"
set +e  # from here on, like the tests: a failed step says so through `fail`
E2E_SHOTS=$root/docs

{
  record Ada 95; record Grace 80; record Edsger 60; record Barbara 45; record Alan 30
  for _ in $(seq 6); do record "Default User" 0; done
} >"$WORK/scores.dat"

start_game
sleep 1  # the wall turns a little
capture menu
key Return

# Sends the piece to a column and pushes it down; the next piece comes in
# at column 3. The timed fall may take a row too, so the count is generous.
drop_at() {
  local column=$1
  if [ "$column" -lt 3 ]; then key --repeat $((3 - column)) Left; fi
  if [ "$column" -gt 3 ]; then key --repeat $((column - 3)) Right; fi
  key --delay 15 --repeat 16 Down
}

# Spread the pieces over the well, look at it after a dozen, and go on
# until the game ends.
columns=(0 7 1 6 2 5 4 3)
pieces=0
while ! grep -q '^your score' "$WORK/stdout"; do
  drop_at "${columns[pieces % 8]}"
  pieces=$((pieces + 1))
  if [ "$pieces" -eq 12 ]; then
    sleep 0.5
    capture play
    grep -q '^your score' "$WORK/stdout" && fail "the game ended before the Play screenshot; run it again"
  fi
  [ "$pieces" -lt 200 ] || fail "no game over after 200 pieces"
done
play_to_game_over
[ "$SCORE" -gt 0 ] || fail "the game scored 0, which asks for no name; run it again"
key P l a y e r
sleep 0.3
capture highscores
key Escape
wait_for_exit
echo "Saved the screenshots in docs/: menu.png, play.png, highscores.png (score $SCORE)"
