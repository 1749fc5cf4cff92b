# The road of one game through the real program: the menu shows its title
# and its wall of coloured cubes, Enter starts a game whose score line shows,
# the piece falls on its own, the game waits while its window is hidden, a
# triple made with the keys clears and scores, holding Down ends the game,
# the score goes to standard output, Esc ends the program. rand() alternates
# 0 and 1 in this run, so the pieces are known: A B A, then B A B, and so on,
# top to bottom. The sound goes to a file: silence until a key, then the
# sounds of the keys, the landings and the triple; none while M mutes it.
source "$(dirname "$0")/e2e_support.sh"

cp "$BUILD_DIR"/block_*.bmp "$WORK"/
start_game "$WORK" env $DISK_AUDIO_ENV LD_PRELOAD="$BUILD_DIR/libalternating_rand.so" "$GAME"
# The wall turns, so at some angles little of it faces the camera: a few
# hundred coloured pixels, and a change from one capture to the next.
menu_shown() {
  capture menu
  has_pixels menu "$TITLE_AREA" white 100 && has_pixels menu 640x480+0+0 saturated 300
}
wait_until menu_shown || fail "no white title and coloured wall on the menu ($counted pixels)"
capture menu-later
same_area menu menu-later 640x480+0+0 && fail "the menu's wall does not change"
menu_audio=$(audio_at)
sound_in 0 "$menu_audio"
[ "$menu_audio" -gt 0 ] && [ "$SPAN" -eq 0 ] || fail "not silence on the menu: $SPAN ms of sound in $menu_audio bytes"
key_sound Return
score_shown() {
  capture play
  has_pixels play "$SCORE_AREA" white 30
}
wait_until score_shown || fail "no score line on the Play screen ($counted pixels)"

# The first piece falls on its own, well clear of the columns used below;
# a slow frame does not slow it: 1.25 rows a second. Then the window is
# unmapped for 5 s, and a hidden window waits: the piece is at most one step
# further, though a running game moves it about six.
key_sound Right
slide="$PEAK dBFS, $SPAN ms"
[ "$PEAK" -ge -12 ] && [ "$PEAK" -le -10 ] && [ "$SPAN" -ge 30 ] && [ "$SPAN" -le 100 ] || fail "a slide sounded $slide"
key Right Right
capture fall-start
sleep 5
capture fall-end
xdotool windowunmap "$WID"
sleep 5
xdotool windowmap "$WID"
shown_again() {
  capture after-hiding
  hidden_top=$(column_top after-hiding 6)
  [ -n "$hidden_top" ]
}
wait_until shown_again || fail "no piece in column 6 once the window showed again"
start_top=$(column_top fall-start 6)
end_top=$(column_top fall-end 6)
[ -n "$start_top" ] && [ -n "$end_top" ] || fail "no piece in column 6"
[ $((end_top - start_top)) -ge $((2 * ROW_PIXELS)) ] ||
  fail "the piece fell $((end_top - start_top)) pixels in 5 s, less than 2 rows"
[ $((hidden_top - end_top)) -lt $((ROW_PIXELS * 3 / 2)) ] ||
  fail "the piece fell $((hidden_top - end_top)) pixels while the window was hidden"

# Paused, only the keys move pieces. Up brings a fresh one to the top. It
# lands in column 2; the next, turned down, in column 3; the one after,
# turned up, in column 4: the floor row holds three blocks of one kind. The
# triple's sound outlasts a landing's.
key_sound p Up Left
key_sound --repeat 15 Down
key_sound s
key_sound --repeat 15 Down
landing=$SPAN
key_sound a Right
key_sound --repeat 15 Down
triple=$SPAN
[ "$landing" -lt 200 ] && [ "$triple" -gt 300 ] || fail "a landing sounded $landing ms, one with a triple $triple ms"
triple_cleared() {
  capture cleared
  local top
  top=$(column_top cleared 2)
  # Two blocks left in column 2: its top is below row 14's.
  [ -n "$top" ] && [ "$top" -gt 404 ] && ! same_area play cleared "$SCORE_AREA"
}
wait_until triple_cleared || fail "the triple did not clear, or the score line did not change"

# M mutes: keys that sound make none; M again, and they sound.
key m
muted_from=$(audio_at)
key a s Left Right
sleep 0.5
sound_in "$muted_from"
[ "$SPAN" -eq 0 ] || fail "$SPAN ms of sound after M"
key_sound M a s

# The next piece, turned down, stacks on column 3's two blocks without a
# run of three, and so do the ones after it, up to the game over.
key s
play_to_game_over
# Exactly the two lines, and nothing else.
printf '%s' "$(cat "$WORK/stdout")" | grep -Pzq '\Agame over\nyour score: 5\z' ||
  fail "unexpected output (not the triple's 5 points): $(cat -A "$WORK/stdout")"
[ "$(wc -l <"$WORK/stdout")" -eq 2 ] || fail "more than two lines: $(cat -A "$WORK/stdout")"
kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended with the game over"

key Escape
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Esc ended the game with status $EXIT_STATUS"
echo "game over e2e: ok ($(tail -n 1 "$WORK/stdout"); a slide $slide, a landing $landing ms, one with a triple $triple ms)"
