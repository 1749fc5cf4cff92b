# The installed game: `cmake --install` into a scratch prefix that is then
# moved, started through its launcher from unrelated directories, with
# scratch HOME and XDG_DATA_HOME. The launcher makes the data directory with
# the six images, the scores persist there from one start to the next, and a
# player's own image is kept; a data directory that cannot be made stops it
# with one line on standard error.
source "$(dirname "$0")/e2e_support.sh"

cmake --install "$BUILD_DIR" --prefix "$WORK/staged" >/dev/null || fail "cmake --install failed"
mv "$WORK/staged" "$WORK/moved"
launcher=$WORK/moved/games/tessarine3d
export HOME=$WORK/home XDG_DATA_HOME=$WORK/xdg
data=$XDG_DATA_HOME/tessarine3d
mkdir -p "$HOME" "$WORK/first" "$WORK/second"

# Each waits for its screen, as a slow start or key (sanitizers, software
# rendering) may leave the window on the one before: true once the menu's
# wall shows textured cubes, or once the high score table shows in place of
# the menu.
wall_shown() {
  capture "$1"
  has_pixels "$1" 640x480+0+0 saturated 300
}
table_shown() {
  capture "$1"
  has_pixels "$1" "$TABLE_AREA" red 2000 && ! has_pixels "$1" "$TITLE_AREA" white 0
}

start_game "$WORK/first" "$launcher"
for image in "$WORK/moved/share/games/tessarine3d"/block_*.bmp; do
  cmp -s "$image" "$data/${image##*/}" || fail "the launcher did not copy ${image##*/} into $data"
done
[ "$(ls "$data")" = "$(ls "$WORK/moved/share/games/tessarine3d")" ] || fail "more than the images in $data: $(ls "$data")"
wait_until wall_shown first || fail "the menu's wall is not textured ($counted pixels)"
key Escape
wait_for_exit
[ ! -s "$WORK/stderr" ] || fail "unexpected errors: $(cat "$WORK/stderr")"

# A table whose lowest score is -1, so that even a game of 0 points asks for a name.
for i in $(seq 0 10); do record "Old$i" -1; done >"$data/scores.dat"
start_game "$WORK/second" "$launcher"
key Down Return
wait_until table_shown before || fail "no high score table from the menu"
key Return Up Return
play_to_game_over
key I N S T Return
wait_until grep -q INST "$data/scores.dat" || fail "the name did not reach $data/scores.dat"
named_shown() { table_shown named && ! same_area before named "$FIRST_LINE_AREA"; }
wait_until named_shown || fail "the table's first line did not change with the name"
key Escape
wait_for_exit
[ ! -e "$WORK/second/scores.dat" ] || fail "scores.dat was written where the game was started"

# A player's own red image, and a start from a third directory: the name is
# still first in the table, drawn to the pixel as before the restart.
cp "$data/block_green.bmp" "$data/block_red.bmp"
start_game "$HOME" "$launcher"
key Down Return
wait_until table_shown restarted || fail "no high score table after the restart"
key Escape
wait_for_exit
same_area named restarted "$FIRST_LINE_AREA" || fail "after a restart the table's first line is not the name's"
cmp -s "$data/block_green.bmp" "$data/block_red.bmp" || fail "the player's own block_red.bmp was replaced"

touch "$WORK/not-a-directory"
status=0
XDG_DATA_HOME=$WORK/not-a-directory "$launcher" >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
[ "$status" -ne 0 ] || fail "no data directory, yet status 0"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q 'cannot make the data directory' "$WORK/stderr" ||
  fail "no data directory, and not one line about it: $(cat "$WORK/stderr")"
echo "install e2e: ok (score $SCORE)"
