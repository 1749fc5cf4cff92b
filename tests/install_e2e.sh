# The installed game: `cmake --install` into a scratch prefix that is then
# moved, started through its launcher from unrelated directories, with
# scratch HOME and XDG_DATA_HOME. --help and --version answer without a
# display and make nothing; the launcher makes the data directory with the
# six images, readable by all, the scores persist there from one start to the
# next, and a player's own image is kept; a FIFO or a directory named
# "scores.dat" is one line and the game starts; a data directory that cannot
# be written is used as it is, and one that cannot be made stops it, each
# with one line on standard error.
source "$(dirname "$0")/e2e_support.sh"

cmake --install "$BUILD_DIR" --prefix "$WORK/staged" >/dev/null || fail "cmake --install failed"
mv "$WORK/staged" "$WORK/moved"
launcher=$WORK/moved/games/tessarine3d
export HOME=$WORK/home XDG_DATA_HOME=$WORK/xdg
data=$XDG_DATA_HOME/tessarine3d
mkdir -p "$HOME" "$WORK/first" "$WORK/second"
umask 022

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$BUILD_DIR/CMakeCache.txt")
for word in --help -h --version -V; do
  status=0
  env -u DISPLAY "$launcher" "$word" >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
  [ "$status" -eq 0 ] && [ ! -s "$WORK/stderr" ] || fail "$word without a display: status $status, $(cat "$WORK/stderr")"
  case $word in
    -h | --help) grep -q '^Usage: tessarine3d' "$WORK/stdout" && grep -q 'man 6 tessarine3d' "$WORK/stdout" ;;
    *) [ "$(cat "$WORK/stdout")" = "tessarine3d $version" ] ;;
  esac || fail "$word printed: $(cat "$WORK/stdout")"
done
[ ! -e "$XDG_DATA_HOME" ] || fail "--help or --version made $XDG_DATA_HOME"

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
  [ "$(stat -c %a "$data/${image##*/}")" = 644 ] || fail "${image##*/} was copied with mode $(stat -c %a "$data/${image##*/}")"
done
[ "$(ls "$data")" = "$(cd "$WORK/moved/share/games/tessarine3d" && ls block_*.bmp)" ] ||
  fail "more than the images in $data: $(ls "$data")"
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

# A player's own red image, the grey one an earlier release shipped, and a
# start from a third directory: the name is still first in the table, drawn
# to the pixel as before the restart; the grey image is today's again.
cp "$data/block_green.bmp" "$data/block_red.bmp"
cp "$(dirname "$0")/earlier/block_gray.bmp" "$data/block_gray.bmp"
start_game "$HOME" "$launcher"
key Down Return
wait_until table_shown restarted || fail "no high score table after the restart"
key Escape
wait_for_exit
same_area named restarted "$FIRST_LINE_AREA" || fail "after a restart the table's first line is not the name's"
cmp -s "$data/block_green.bmp" "$data/block_red.bmp" || fail "the player's own block_red.bmp was replaced"
cmp -s "$WORK/moved/share/games/tessarine3d/block_gray.bmp" "$data/block_gray.bmp" ||
  fail "the block_gray.bmp an earlier release shipped was not replaced"

# Neither a FIFO nor a directory at the score file's name stops the game.
rm "$data/scores.dat"
for make in mkfifo mkdir; do
  "$make" "$data/scores.dat"
  start_game "$HOME" "$launcher"
  key Escape
  wait_for_exit
  [ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q 'scores.dat is not a regular file' "$WORK/stderr" ||
    fail "$make scores.dat: not one line about it: $(cat "$WORK/stderr")"
  rm -r "$data/scores.dat"
done

# A data directory the player cannot write, with an image missing: one line
# from the launcher, and the game starts there. Root writes anywhere, so
# then the launcher runs as nobody.
rm "$data/block_gray.bmp"
chmod a-w "$data"
as_player=()
if [ "$(id -u)" -eq 0 ]; then
  chmod a+rx "$WORK"
  as_player=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
start_game "$HOME" "${as_player[@]}" "$launcher"
key Escape
wait_for_exit
chmod u+w "$data"
[ "$EXIT_STATUS" -eq 0 ] || fail "in a read-only data directory the game ended with status $EXIT_STATUS"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q 'could not all be copied' "$WORK/stderr" ||
  fail "read-only data directory: not one line about the images: $(cat "$WORK/stderr")"

touch "$WORK/not-a-directory"
status=0
XDG_DATA_HOME=$WORK/not-a-directory "$launcher" >"$WORK/stdout" 2>"$WORK/stderr" || status=$?
[ "$status" -ne 0 ] || fail "no data directory, yet status 0"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q 'cannot make the data directory' "$WORK/stderr" ||
  fail "no data directory, and not one line about it: $(cat "$WORK/stderr")"
echo "install e2e: ok (score $SCORE)"
