# The block images in the real program: with them the falling piece is drawn
# in colour; without them the game starts all the same, silently, with white
# cubes; a broken one is reported in a box in the window. The frames drawn
# are counted: none behind the box, on the table at rest or while paused.
source "$(dirname "$0")/e2e_support.sh"

# Shares (0 to 1) of the window's pixels that are saturated colour, and that are bright.
play_frame_shares() {
  capture "$1"
  "$MAGICK" "$WORK/$1.png" -colorspace HSL -channel G -separate -threshold 40% -format '%[fx:mean] ' info:
  "$MAGICK" "$WORK/$1.png" -colorspace Gray -threshold 60% -format '%[fx:mean]' info:
}

# Sets `shares` from a screenshot; true once the cubes show, white or coloured.
frame_shown() {
  shares=$(play_frame_shares "$1")
  local saturated bright
  read -r saturated bright <<<"$shares"
  awk -v s="$saturated" -v b="$bright" 'BEGIN { exit !(s > 0.001 || b > 0.001) }'
}

# Starts a game from the menu, looks at a Play frame, and quits with Esc.
look_at_play() {
  key Return
  wait_until frame_shown "$1" || fail "nothing drawn in the Play frame: $shares"
  key Escape
  wait_for_exit
  [ "$EXIT_STATUS" -eq 0 ] || fail "Esc ended the game with status $EXIT_STATUS"
  [ ! -s "$WORK/stderr" ] || fail "unexpected errors: $(cat "$WORK/stderr")"
}

BUILD_DIR="$WORK/no-images" start_game
look_at_play white
read -r saturated bright <<<"$shares"
awk -v s="$saturated" 'BEGIN { exit !(s == 0) }' || fail "colour without images: $saturated"
awk -v b="$bright" 'BEGIN { exit !(b > 0.001) }' || fail "no white cubes without images: $bright"

ls "$BUILD_DIR"/block_*.bmp >/dev/null || fail "the build made no block images"
start_game
look_at_play coloured
read -r saturated bright <<<"$shares"
awk -v s="$saturated" 'BEGIN { exit !(s > 0.001) }' || fail "no coloured cubes with the images: $saturated"
# A broken image: the game says so in a box at start-up, over a screen that
# stands still and draws no frames, until Enter; then it plays on, with those
# cubes white. Frames come only when the picture changes: the menu's wall
# turns at 60 a second; a paused game and the table at rest draw none.
echo "not an image" >"$WORK/block_red.bmp"
(cd "$WORK" && exec env $(count_swaps_env) "$GAME" >"$WORK/stdout" 2>"$WORK/stderr") &
GAME_PID=$!
wait_until xdotool search --name '^Tessarine 3D$' >/dev/null || fail "no window with a broken image"
WID=$(xdotool search --name '^Tessarine 3D$' | head -n 1)
boxed() { capture boxed && box_shown boxed; }
wait_until boxed || fail "no error box for the broken image ($counted pixels)"
# The wall has its images before the first frame, behind the box too.
read -r saturated _ <<<"$(play_frame_shares boxed)"
awk -v s="$saturated" 'BEGIN { exit !(s > 0.01) }' || fail "the wall behind the start-up box has no colours: $saturated"
swaps=$(swaps_in 1)
[ "$swaps" -eq 0 ] || fail "$swaps frames in a second behind the error box"
capture still
same_silhouette boxed still 640x480+0+0 || fail "the wall behind the error box turns"
key Return
unboxed() { capture unboxed && ! box_shown unboxed; }
wait_until unboxed || fail "Enter did not take the error box away"
swaps=$(swaps_in 1)
[ "$swaps" -ge 10 ] || fail "the menu drew $swaps frames in a second"
capture turning
same_silhouette unboxed turning 640x480+0+0 && fail "the wall stands still after the box"
key Down Return
sleep 0.3
swaps=$(swaps_in 1)
[ "$swaps" -eq 0 ] || fail "the table at rest drew $swaps frames in a second"
key Return Up Return p
sleep 0.3
swaps=$(swaps_in 1)
[ "$swaps" -eq 0 ] || fail "a paused game drew $swaps frames in a second"
key Escape
wait_for_exit
[ "$(cat "$WORK/stderr")" = "tessarine3d: Unknown DIB file format." ] ||
  fail "not the one line for the broken image: $(cat "$WORK/stderr")"
# A desktop that asks for less animation (GNOME's setting, here in GSettings'
# keyfile backend): the wall stands still, and its images still change.
cp "$BUILD_DIR/block_red.bmp" "$WORK/"
mkdir -p "$WORK/config/glib-2.0/settings"
printf '[org/gnome/desktop/interface]\nenable-animations=false\n' >"$WORK/config/glib-2.0/settings/keyfile"
start_game "$WORK" env GSETTINGS_BACKEND=keyfile XDG_CONFIG_HOME="$WORK/config" "$GAME"
capture still_wall
sleep 1
capture still_wall_later
same_silhouette still_wall still_wall_later 640x480+0+0 || fail "the wall turns on a desktop that asks for less motion"
same_area still_wall still_wall_later 640x480+0+0 && fail "the wall's images do not change on a desktop that asks for less motion"
key Escape
wait_for_exit
echo "textures e2e: ok"
