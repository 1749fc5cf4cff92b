# The high scores of the real program: the table is loaded from "scores.dat"
# at start-up, so a table whose lowest score is -1 lets even a game of 0
# points ask for a name; the table shows in red and the typed name in green;
# the name entered rewrites the file; when it cannot, a box over the table
# says so. The first game is played with a game controller alone, plugged
# out and in again on the way; rand() alternates 0 and 1 in it, so no triple
# clears and its pieces stack up to the game over within seconds.
source "$(dirname "$0")/e2e_support.sh"

for i in $(seq 0 10); do record "Old$i" -1; done >"$WORK/scores.dat"
[ "$(stat -c %s "$WORK/scores.dat")" -eq 1144 ] || fail "the test built a file of the wrong size"

cp "$BUILD_DIR"/block_*.bmp "$WORK"/
start_game "$WORK" env $(pad_env libalternating_rand.so) "$GAME"
wait_until shows menu "$TITLE_AREA" white 100 || fail "no menu ($counted pixels)"
# A takes the menu's Start; D-pad Right and the stick slide the piece two
# columns; Start pauses: the piece stays in column 5.
pad press a; pad release a
wait_until shows play "$SCORE_AREA" white 30 || fail "A on the menu started no game ($counted pixels)"
pad press dpright; pad release dpright; pad axis leftx 32767; pad axis leftx 0; pad press start; pad release start
wait_until shows paused "$PAUSED_AREA" white 100 || fail "Start did not pause the game ($counted pixels)"
[ -z "$(column_top paused 3)" ] && [ -n "$(column_top paused 5)" ] || fail "the piece is not two columns over"
sleep 1.5
capture still
same_area paused still 640x480+0+0 || fail "the piece moved in a paused game"
# Start again lets it fall; the controller plugged out pauses the game, and
# plugged in again its Start resumes it.
running() { capture "$1" && ! has_pixels "$1" "$PAUSED_AREA" white 0; }
pad press start; pad release start
wait_until running resumed || fail "Start did not resume the game"
pad unplug
wait_until shows unplugged "$PAUSED_AREA" white 100 || fail "the controller gone did not pause the game"
pad plug; pad press start; pad release start
wait_until running replugged || fail "Start of the controller plugged in again did not resume the game"
# Down held pushes the pieces down until the game is over.
pad press dpdown
wait_until grep -q '^your score: 0' "$WORK/stdout" || fail "no game over with Down held: $(cat "$WORK/stdout")"
pad release dpdown

# The name, arcade style: A shows "A", A takes it; Down shows "A", steps to
# " " and "9", Right takes it; Up shows "A", steps to "B"; B removes the "9";
# Start takes the "B" and enters "AB".
{ record AB 0; for i in $(seq 0 9); do record "Old$i" -1; done; } >"$WORK/expected.dat"
for button in a a dpdown dpdown dpdown dpright dpup dpup b; do pad press $button; pad release $button; done
wait_until shows table "$TYPED_NAME_AREA" green 40 || fail "no green name beside the table ($counted pixels)"
has_pixels table "$TABLE_AREA" red 2000 || fail "no red lines in the table ($counted pixels)"
pad press start; pad release start
wait_until cmp -s "$WORK/scores.dat" "$WORK/expected.dat" ||
  fail "scores.dat does not hold the new name first: $(cmp "$WORK/scores.dat" "$WORK/expected.dat")"
ls "$WORK" | grep -q '^scores\.dat\.' && fail "a temporary file was left: $(ls "$WORK")"
[ ! -s "$WORK/stderr" ] || fail "unexpected errors: $(cat "$WORK/stderr")"

# The prompt is closed: A returns to the menu, Down and Enter there pick
# Highscores, whose Enter returns to the menu again; Down and Enter then exit.
pad press a; pad release a
wait_until shows menu-again "$TITLE_AREA" red 100 || fail "A on the table did not return to the menu"
key Down Return Return Down Return
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
