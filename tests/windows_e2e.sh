# The Windows game under Wine, from its two artefacts: the exe's imports and
# resources; the portable zip played with real key presses, heard through
# SDL's disk audio driver; a broken image's message box; the installer's silent
# install, its shortcut, and the silent uninstall. Run by test.sh under scripts/with-xvfb.sh:
#   tests/windows_e2e.sh BUILD_DIR ZIP INSTALLER
build=$(realpath "$1")
zip=$(realpath "$2")
installer=$(realpath "$3")
source "$(dirname "$0")/e2e_support.sh" "$build/tessarine3d.exe" "$build"

# One Wine prefix for the run (the build's, made by its first program), with
# "Courier New" drawn by Liberation Mono: Wine's own stand-in is proportional.
export WINEPREFIX=$BUILD_DIR/wine WINEDLLOVERRIDES=mscoree,mshtml= WINEDEBUG=-all
# No sound card here: SDL's silent driver, but where a run listens.
export SDL_AUDIODRIVER=dummy
wineboot -u >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'Courier New' /t REG_SZ /d 'Liberation Mono' /f \
  >/dev/null 2>&1 || fail "could not map Courier New in the Wine prefix"
wineserver -w
windows_cleanup() {
  cleanup
  wineserver -k 2>/dev/null || true
}
trap windows_cleanup EXIT

# What Wine's freeglut start-up says on standard error about the screen's size.
# And what SDL's disk audio driver says of itself.
game_errors() {
  grep -v -e 'CreateDC failed' -e "bad '-display' parameter" -e 'SDL disk i/o audio driver' -e 'CRITICAL:  Writing to file' "$WORK/stderr" || true
}

# The largest sample, in absolute value, of the raw 16-bit audio in FILE from byte FROM on.
audio_peak() {
  tail -c +$(($2 + 1)) "$1" | od -An -v -td2 -w2 |
    awk '{ v = $1 < 0 ? -$1 : $1; if (v > m) m = v } END { print m + 0 }'
}

# The portable zip: one folder with the exe and the six images.
unzip -q "$zip" -d "$WORK/portable"
folder=$(echo "$WORK"/portable/tessarine3d-*-windows-x64)
GAME=$folder/tessarine3d.exe
[ "$(ls "$folder"/block_*.bmp | wc -l)" -eq 6 ] || fail "the zip holds not six images: $(ls "$folder")"
notices=$folder/THIRD-PARTY-NOTICES.txt
[ -s "$folder/LICENSE.txt" ] && grep -q freeglut "$notices" && grep -q winpthreads "$notices" &&
  grep -q '^== SDL 2' "$notices" && grep -q 'Permission is granted to anyone to use this software' "$notices" ||
  fail "the zip lacks the licence or the notices of freeglut, SDL 2 and winpthreads"

# A GUI program that imports only DLLs every 64-bit Windows has, with its
# icon (under the name freeglut's window class loads) and a version. SDL's
# audio and controllers bring imm32, ole32, oleaut32, setupapi, shell32 and
# version; the rest of what they use they load when they start.
headers=$(x86_64-w64-mingw32-objdump -p "$GAME")
grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" || fail "not a GUI program"
for dll in $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '[:upper:]' '[:lower:]'); do
  case $dll in
    advapi32.dll | gdi32.dll | glu32.dll | imm32.dll | kernel32.dll | msvcrt.dll | ole32.dll | oleaut32.dll | \
      opengl32.dll | setupapi.dll | shell32.dll | user32.dll | version.dll | winmm.dll) ;;
    *) fail "the exe imports $dll" ;;
  esac
done
resources=$(wrestool -l "$GAME")
grep -q "type=14 --name='GLUT_ICON'" <<<"$resources" && grep -q 'type=16' <<<"$resources" ||
  fail "no icon or version resource: $resources"

# A table whose lowest score is -1, so that any game asks for a name.
for i in $(seq 0 10); do record "Old$i" -1; done >"$folder/scores.dat"
# Played with SDL's disk audio driver: silence until a key, then its sound.
audio=$WORK/windows-audio.raw
start_game "$folder" env SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$(winepath -w "$audio")" wine tessarine3d.exe
menu_shown() {
  capture windows-menu
  has_pixels windows-menu "$TITLE_AREA" white 100
}
wait_until menu_shown || fail "no title on the menu ($counted pixels)"
has_pixels windows-menu 120x90+200+160 white 150 || fail "no menu items ($counted pixels)"
has_pixels windows-menu 640x480+0+0 shaded-red 1000 || fail "no red cubes in the menu's wall ($counted pixels)"
[ -s "$audio" ] && [ "$(audio_peak "$audio" 0)" -eq 0 ] || fail "no silence in the audio before a key"
heard=$(stat -c %s "$audio")
key Down Up
sounded() { [ "$(audio_peak "$audio" "$heard")" -gt 1000 ]; }
wait_until sounded || fail "no sound in the audio for the menu's keys"

key Return
play_shown() {
  capture windows-play
  has_pixels windows-play "$SCORE_AREA" white 30
}
wait_until play_shown || fail "Enter did not start a game: no score line ($counted pixels)"
play_to_game_over
{ record win "$SCORE"; for i in $(seq 0 9); do record "Old$i" -1; done; } >"$WORK/expected.dat"
key w i n Return
wait_until cmp -s "$folder/scores.dat" "$WORK/expected.dat" ||
  fail "scores.dat is not the table the Linux game writes: $(cmp "$folder/scores.dat" "$WORK/expected.dat")"
[ "$(stat -c %s "$folder/scores.dat")" -eq 1144 ] || fail "scores.dat is not 1144 bytes"
[ "$(ls "$folder" | grep -v -c -e '^block_.*\.bmp$' -e '^tessarine3d\.exe$' -e '\.txt$' -e '^scores\.dat$')" -eq 0 ] ||
  fail "a save left other files: $(ls "$folder")"
sleep 0.3
capture committed
key Escape
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Esc ended the game with status $EXIT_STATUS"
[ -z "$(game_errors)" ] || fail "unexpected errors: $(game_errors)"

# A restart shows the saved table as it was left.
start_game "$folder" wine tessarine3d.exe
key Down Return
restart_table() {
  capture restart
  same_area committed restart "$TABLE_AREA"
}
wait_until restart_table || fail "after a restart the table is not the one saved"
key Escape
wait_for_exit

# A broken image: a message box titled "Error" that Return dismisses, then
# the game runs with those cubes white.
printf 'BM broken' >"$folder/block_red.bmp"
start_game "$folder" wine tessarine3d.exe
box=
for _ in $(seq 100); do
  box=$(xdotool search --name '^Error$' 2>/dev/null | head -n 1)
  [ -n "$box" ] && break
  sleep 0.1
done
[ -n "$box" ] || fail "no window titled Error for a broken block_red.bmp"
sleep 0.5
import -window "$box" "$WORK/windows-error.png"
[ -n "${E2E_SHOTS:-}" ] && cp "$WORK/windows-error.png" "$E2E_SHOTS/"
xdotool key --window "$box" Return
wait_until bash -c "! xdotool search --name '^Error$' >/dev/null 2>&1" || fail "Return left the Error box open"
white_cubes() {
  capture windows-white
  has_pixels windows-white 640x480+0+0 white 1500
}
wait_until white_cubes || fail "the game did not go on with white cubes ($counted white pixels)"
[ "$(count_pixels windows-white 640x480+0+0 shaded-red)" -lt 50 ] || fail "red cubes without a red image"
key Escape
wait_for_exit
[ "$EXIT_STATUS" -eq 0 ] || fail "Esc after the Error box ended the game with status $EXIT_STATUS"

# The installer, silent, per user. A player's own image in the data folder stays.
appdata=$(winepath -u "$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')")
localappdata=$(winepath -u "$(wine cmd /c 'echo %LOCALAPPDATA%' 2>/dev/null | tr -d '\r')")
data="$appdata/Tessarine 3D"
program="$localappdata/Programs/Tessarine 3D"
shortcut="$appdata/Microsoft/Windows/Start Menu/Programs/Tessarine 3D.lnk"
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tessarine 3D'
mkdir -p "$data"
printf 'a player image' >"$data/block_green.bmp"
wine "$installer" /S >/dev/null 2>&1
wineserver -w
[ -f "$program/tessarine3d.exe" ] && [ -f "$program/uninstall.exe" ] || fail "no program in $program"
[ "$(ls "$data"/block_*.bmp | wc -l)" -eq 6 ] || fail "not six images in the data folder: $(ls "$data")"
[ "$(cat "$data/block_green.bmp")" = 'a player image' ] || fail "the installer replaced a player's image"
cp "$folder/block_green.bmp" "$data/block_green.bmp"
[ -f "$shortcut" ] || fail "no Start-menu shortcut"
# Among the shortcut's strings, each perhaps after a character that gives
# its length, the working folder: the data folder, as Windows writes it.
DATA_WIN="$(wine cmd /c 'echo %APPDATA%' 2>/dev/null | tr -d '\r')\\Tessarine 3D" \
  awk 'substr($0, length($0) - length(ENVIRON["DATA_WIN"]) + 1) == ENVIRON["DATA_WIN"] &&
       length($0) <= length(ENVIRON["DATA_WIN"]) + 1 { found = 1 } END { exit !found }' \
  < <(strings -e l "$shortcut") ||
  fail "the shortcut's working folder is not the data folder: $(strings -e l "$shortcut")"
wine reg query "$uninstall_key" /v UninstallString >/dev/null 2>&1 || fail "no entry in Apps & features"

# The installed game, started through its shortcut, finds its images.
# Wine's `start` hands the shortcut to the shell and returns.
wine start "$(winepath -w "$shortcut")" >/dev/null 2>&1
game_window() {
  WID=$(xdotool search --name '^Tessarine 3D$' 2>/dev/null | head -n 1)
  [ -n "$WID" ]
}
wait_until game_window || fail "the shortcut started no game"
installed_menu() {
  capture installed
  has_pixels installed 640x480+0+0 shaded-red 1000
}
wait_until installed_menu || fail "the installed game shows no red cubes ($counted pixels)"
key Escape
timeout 20 wineserver -w || fail "Esc did not end the installed game"

wine "$program/uninstall.exe" /S >/dev/null 2>&1
wineserver -w
[ ! -e "$program" ] || fail "the uninstaller left $(ls "$program")"
[ ! -e "$shortcut" ] || fail "the uninstaller left the shortcut"
[ "$(ls "$data"/block_*.bmp | wc -l)" -eq 6 ] || fail "the uninstaller touched the data folder"
wine reg query "$uninstall_key" >/dev/null 2>&1 && fail "the Apps & features entry stayed"
echo "windows e2e: ok (score $SCORE)"
