# The block images in the real program: with them the falling piece is drawn
# in colour; without them the game starts all the same, silently, with white cubes.
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
echo "textures e2e: ok"
