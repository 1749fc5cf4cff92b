# The menu of the real program: the window names itself to the desktop and
# takes GLUT's -geometry; F11 toggles full screen; the selection stops at Exit, Enter on Exit ends it
# with status 0; a game without a sound device plays silently and pauses when
# its window loses the focus; without any font its text shows in GLUT's own
# font; without a display it says so in one line.
source "$(dirname "$0")/e2e_support.sh"

# WIDTHxHEIGHT+X+Y of the game's window on the screen.
window_geometry() {
  xwininfo -id "$WID" | awk '/Absolute upper-left X/ { x = $4 } /Absolute upper-left Y/ { y = $4 }
    /Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+" x "+" y }'
}

start_game
props=$(xprop -id "$WID" WM_CLASS _NET_WM_PID _NET_WM_ICON)
grep -qx 'WM_CLASS(STRING) = "tessarine3d", "Tessarine3d"' <<<"$props" || fail "window class: $(head -n 1 <<<"$props")"
grep -qx "_NET_WM_PID(CARDINAL) = $GAME_PID" <<<"$props" || fail "window pid is not $GAME_PID: $(grep PID <<<"$props")"
for size in 16 32 48 128; do
  grep -q "Icon ($size x $size)" <<<"$props" || fail "no $size-pixel window icon"
done
[ "$(window_geometry)" = 640x480+0+0 ] || fail "the default window is $(window_geometry)"

# F11 fills the screen with the window and its text grows in proportion; F11
# again gives back the window's size, place and pixels. Seen on the high
# score table, which stands still.
geometry_is() { [ "$(window_geometry)" = "$1" ]; }
screen=$(xwininfo -root | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w "x" h "+0+0" }')
# The height in pixels of the red text inside GEOMETRY of $WORK/NAME.png.
red_height() {
  "$MAGICK" "$WORK/$1.png" -crop "$2" +repage -fx 'r>0.9 && g<0.1 && b<0.1' -trim -format '%h' info:
}
table_shown() { capture "$1" && has_pixels "$1" "${2:-$TABLE_AREA}" red 2000; }
key Down Return
wait_until table_shown table-window || fail "no high score table"
key F11
wait_until geometry_is "$screen" || fail "F11 gave $(window_geometry), not the screen's $screen"
full_line=$(awk -v s="${screen%%x*}" 'BEGIN { f = s / 640; printf "%dx%d+%d+%d", 200 * f, 20 * f, 220 * f, 67 * f }')
window_height=$(red_height table-window "$FIRST_LINE_AREA")
full_height=0
# The frames right after the toggle may still show the window's old size.
full_text_tall() {
  capture table-full && full_height=$(red_height table-full "$full_line") &&
    [ $((full_height * 640)) -ge $((window_height * ${screen%%x*} * 9 / 10)) ]
}
wait_until full_text_tall || fail "at full screen the text is $full_height pixels high, at 640 x 480 $window_height"
key F11
wait_until geometry_is 640x480+0+0 || fail "F11 again gave $(window_geometry)"
as_before() { capture table-again && same_area table-window table-again 640x480+0+0; }
wait_until as_before || fail "after full screen the table is not drawn as before"
[ -z "${E2E_SHOTS:-}" ] || cp "$WORK"/table-*.png "$E2E_SHOTS/"
key Return
key Down Down Down Down Return
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Enter on Exit ended the game with status $EXIT_STATUS"
[ ! -s "$WORK/stdout" ] || fail "unexpected output: $(cat "$WORK/stdout")"

# Up from Exit reaches Start again: Enter there starts a game, with no sound
# device (one line says so) in a window that has the focus. Another window
# taking the focus pauses it: "Paused" shows, the piece stays; p lets it fall.
SDL_AUDIODRIVER=nosuchdriver start_game
xdotool windowfocus --sync "$WID"
key Down Down Up Up Up Return
wait_until shows play "$SCORE_AREA" white 30 || fail "Enter on Start started no game ($counted pixels)"
xmessage -geometry +700+0 -title Elsewhere "another window" 2>/dev/null &
other_pid=$!
wait_until xdotool search --name '^Elsewhere$' >/dev/null || fail "no other window"
xdotool windowfocus --sync "$(xdotool search --name '^Elsewhere$' | head -n 1)"
wait_until shows paused "$PAUSED_AREA" white 100 || fail "the focus gone did not pause the game ($counted pixels)"
sleep 3
capture still
same_area paused still 640x480+0+0 || fail "the piece moved in the paused game"
key p
falls() { capture resumed && [ "$(column_top resumed 3)" -gt "$(column_top still 3)" ]; }
wait_until falls || fail "p did not let the piece fall again"
kill "$other_pid"
key Escape
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Esc during play ended the game with status $EXIT_STATUS"
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q '^tessarine3d: no sound, the game plays silently: ' "$WORK/stderr" ||
  fail "no sound device, and not one line about it: $(cat "$WORK/stderr")"

printf '<?xml version="1.0"?>\n<fontconfig></fontconfig>\n' >"$WORK/no-fonts.conf"
FONTCONFIG_FILE="$WORK/no-fonts.conf" start_game
title_shown() {
  capture no-fonts
  has_pixels no-fonts "$TITLE_AREA" white 100
}
wait_until title_shown || fail "no title without fonts ($counted pixels)"
key Escape
wait_for_exit
[ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q "GLUT's 9 x 15 font" "$WORK/stderr" ||
  fail "without fonts, not one line about GLUT's font: $(cat "$WORK/stderr")"

start_game "$WORK" "$GAME" -geometry 320x240+40+30
[ "$(window_geometry)" = 320x240+40+30 ] || fail "-geometry 320x240+40+30 gave $(window_geometry)"
key Escape
wait_for_exit

# No DISPLAY, and a -display that names no server. The option is split into its words.
for option in "" "-display :nonexistent"; do
  status=0
  (cd "$WORK" && env -u DISPLAY "$GAME" $option >"$WORK/stdout" 2>"$WORK/stderr") || status=$?
  [ "$status" -eq 1 ] || fail "no display ($option): status $status"
  [ "$(wc -l <"$WORK/stderr")" -eq 1 ] && grep -q '^tessarine3d: Tessarine 3D needs a graphical display' "$WORK/stderr" ||
    fail "no display ($option): not one line about it: $(cat "$WORK/stderr")"
done
echo "menu e2e: ok"
