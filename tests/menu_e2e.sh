# The menu of the real program: the selection stops at Exit, Enter on Exit
# ends it with status 0; without any font its text shows in GLUT's own font;
# without a display it fails with GLUT's message.
source "$(dirname "$0")/e2e_support.sh"

start_game
key Down Down Down Down Return
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Enter on Exit ended the game with status $EXIT_STATUS"
[ ! -s "$WORK/stdout" ] || fail "unexpected output: $(cat "$WORK/stdout")"

# Up from Exit reaches Start again: Enter there starts a game and the game
# keeps running.
start_game
key Down Down Up Up Up Return
sleep 0.3
kill -0 "$GAME_PID" 2>/dev/null || fail "Enter on Start ended the program"
key Escape
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Esc during play ended the game with status $EXIT_STATUS"

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

status=0
(cd "$WORK" && env -u DISPLAY "$GAME" >"$WORK/stdout" 2>"$WORK/stderr") || status=$?
[ "$status" -ne 0 ] || fail "no display, yet status 0"
grep -qi 'display' "$WORK/stderr" || fail "no display, and no word of it: $(cat "$WORK/stderr")"
echo "menu e2e: ok"
