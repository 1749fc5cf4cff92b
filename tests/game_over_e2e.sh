# The road of one game through the real program: the menu shows its title
# and its wall of coloured cubes, Enter starts a game whose score line shows,
# the game waits while its window is hidden, holding Down ends it, the score
# goes to standard output, Esc ends the program.
source "$(dirname "$0")/e2e_support.sh"

start_game
# The wall turns, so at some angles little of it faces the camera: a few
# hundred coloured pixels, and a change from one capture to the next.
menu_shown() {
  capture menu
  has_pixels menu "$TITLE_AREA" white 100 && has_pixels menu 640x480+0+0 saturated 300
}
wait_until menu_shown || fail "no white title and coloured wall on the menu ($counted pixels)"
capture menu-later
same_area menu menu-later 640x480+0+0 && fail "the menu's wall does not change"
key Return
score_shown() {
  capture play
  has_pixels play "$SCORE_AREA" white 30
}
wait_until score_shown || fail "no score line on the Play screen ($counted pixels)"

# Where the falling piece ends, in pixels from the window's top: the lowest
# lit pixel in the strip of its column (the well is empty at first).
piece_bottom() {
  capture "$1"
  "$MAGICK" "$WORK/$1.png" -crop "$PIECE_STRIP" +repage -threshold 1% -format '%@' info: |
    sed -n 's/^[0-9]*x\([0-9]*\)+[0-9]*+\([0-9]*\)$/\1 \2/p' | awk '{ print $1 + $2 }'
}
# A hidden window waits: after 5 s unmapped the piece is within a row of
# where it was, though a running game moves it about six.
before=$(piece_bottom before-hiding)
xdotool windowunmap "$WID"
sleep 5
xdotool windowmap "$WID"
after=$(piece_bottom after-hiding)
[ -n "$before" ] && [ -n "$after" ] || fail "no piece to be seen on the Play screen"
[ $((after - before)) -le "$ROW_PIXELS" ] || fail "the piece fell while hidden: from $before to $after"

play_to_game_over
# Exactly the two lines, and nothing else.
printf '%s' "$(cat "$WORK/stdout")" | grep -Pzq '\Agame over\nyour score: [0-9]+\z' ||
  fail "unexpected output: $(cat -A "$WORK/stdout")"
[ "$(wc -l <"$WORK/stdout")" -eq 2 ] || fail "more than two lines: $(cat -A "$WORK/stdout")"
kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended with the game over"

key Escape
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Esc ended the game with status $EXIT_STATUS"
echo "game over e2e: ok ($(tail -n 1 "$WORK/stdout"))"
