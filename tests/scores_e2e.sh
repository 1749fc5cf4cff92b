# The high scores of the real program: the table is loaded from "scores.dat"
# at start-up, so a table whose lowest score is -1 lets even a game of 0
# points ask for a name; the table shows in red and the typed name in green;
# Enter rewrites the file; when it cannot, a box over the table says so.
source "$(dirname "$0")/e2e_support.sh"

for i in $(seq 0 10); do record "Old$i" -1; done >"$WORK/scores.dat"
[ "$(stat -c %s "$WORK/scores.dat")" -eq 1144 ] || fail "the test built a file of the wrong size"

start_game
key Return
play_to_game_over

{ record e2e "$SCORE"; for i in $(seq 0 9); do record "Old$i" -1; done; } >"$WORK/expected.dat"
key e 2 e
name_shown() {
  capture table
  has_pixels table "$TYPED_NAME_AREA" green 40
}
wait_until name_shown || fail "no green name typed beside the table ($counted pixels)"
has_pixels table "$TABLE_AREA" red 2000 || fail "no red lines in the table ($counted pixels)"
key Return
wait_until cmp -s "$WORK/scores.dat" "$WORK/expected.dat" ||
  fail "scores.dat does not hold the new name first: $(cmp "$WORK/scores.dat" "$WORK/expected.dat")"
ls "$WORK" | grep -q '^scores\.dat\.' && fail "a temporary file was left: $(ls "$WORK")"
[ ! -s "$WORK/stderr" ] || fail "unexpected errors: $(cat "$WORK/stderr")"

# The prompt is closed: Enter returns to the menu, Down and Enter there pick
# Highscores, whose Enter returns to the menu again; Down and Enter then exit.
key Return Down Return Return Down Return
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Enter on Exit ended the game with status $EXIT_STATUS"

# A "scores.dat" that cannot be written: a directory took its place during
# the game. The name is refused in a box over the table, the directory stays.
start_game
key Return
play_to_game_over
key N o p e
rm "$WORK/scores.dat"
mkdir "$WORK/scores.dat"
key Return
boxed() { capture boxed && box_shown boxed; }
wait_until boxed || fail "no error box when scores.dat cannot be written ($counted pixels)"
has_pixels boxed "$TABLE_AREA" red 1000 || fail "no table behind the error box ($counted pixels)"
[ -d "$WORK/scores.dat" ] || fail "the directory in the place of scores.dat went"
key Return
unboxed() { capture unboxed && ! box_shown unboxed; }
wait_until unboxed || fail "Enter did not take the error box away"
key Escape
wait_for_exit
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q 'scores.dat: could not' "$WORK/stderr" ||
  fail "not one line about scores.dat: $(cat "$WORK/stderr")"
echo "scores e2e: ok (score $SCORE)"
