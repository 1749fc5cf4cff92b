# Shared by the *_e2e.sh tests: start the real game in a scratch directory
# under the test's Xvfb, press keys in its window, look at what it shows.
# Usage in a test: source this file with the game binary and the build
# directory as arguments ($1, $2).
set -u

GAME=$1
BUILD_DIR=$2
WORK=$(mktemp -d)
GAME_PID=
WID=

cleanup() {
  if [ -n "$GAME_PID" ] && kill -0 "$GAME_PID" 2>/dev/null; then kill "$GAME_PID"; fi
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  [ -s "$WORK/stderr" ] && { echo "--- game's stderr:" >&2; cat "$WORK/stderr" >&2; }
  exit 1
}

# Prints the four bytes of a signed 32-bit value, little-endian.
le32() {
  local v=$(($1 & 0xffffffff))
  printf "$(printf '\\x%02x\\x%02x\\x%02x\\x%02x' $((v & 255)) $((v >> 8 & 255)) $((v >> 16 & 255)) $((v >> 24 & 255)))"
}

# Prints one 104-byte record of "scores.dat": the name, zeros to 100 bytes, the score.
record() {
  printf '%s' "$1"
  head -c $((100 - ${#1})) /dev/zero
  le32 "$2"
}

# Starts the game and waits for its window. With no arguments: the build's
# binary in $WORK, with the block images the build made copied there. With
# arguments: COMMAND... run in DIRECTORY, as in `start_game DIRECTORY COMMAND...`.
start_game() {
  if [ $# -eq 0 ]; then
    cp "$BUILD_DIR"/block_*.bmp "$WORK"/ 2>/dev/null || true
    set -- "$WORK" "$GAME"
  fi
  local directory=$1
  shift
  (cd "$directory" && exec "$@" >"$WORK/stdout" 2>"$WORK/stderr") &
  GAME_PID=$!
  for _ in $(seq 100); do
    WID=$(xdotool search --name '^Tessarine 3D$' 2>/dev/null | head -n 1)
    [ -n "$WID" ] && break
    kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended before its window opened"
    sleep 0.1
  done
  [ -n "$WID" ] || fail "no window named 'Tessarine 3D'"
  sleep 0.3  # let the first frames draw
}

# Holds Down until the game is over and its score is on standard output;
# sets SCORE.
play_to_game_over() {
  for _ in $(seq 60); do
    grep -q '^your score' "$WORK/stdout" && break
    key --delay 15 --repeat 10 Down
  done
  sleep 0.3
  # A Windows program ends its lines with CR LF.
  SCORE=$(tr -d '\r' <"$WORK/stdout" | sed -n 's/^your score: \([0-9]*\)$/\1/p')
  [ -n "$SCORE" ] || fail "no game over after 600 presses of Down"
}

# The environment that makes the game count its buffer swaps in $WORK/swaps.
count_swaps_env() {
  head -c 8 /dev/zero >"$WORK/swaps"
  echo "BENCH_SWAP_FILE=$WORK/swaps LD_PRELOAD=$BUILD_DIR/libswap_counter.so"
}

# Echoes the buffer swaps the game makes in SECONDS (after counting started).
swaps_in() {
  local before after
  before=$(od -An -tu8 "$WORK/swaps" | tr -d ' ')
  sleep "$1"
  after=$(od -An -tu8 "$WORK/swaps" | tr -d ' ')
  echo $((after - before))
}

# The game's sound as SDL's disk audio driver writes it (and says so in two
# lines on standard error): raw mono 16-bit samples at 48 kHz, zeros while
# nothing plays, at about real-time pace. A sound asked for now starts at the
# end of what is written.
AUDIO=$WORK/audio.raw
DISK_AUDIO_ENV="SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$AUDIO"
# Echoes the bytes of whole samples written to $AUDIO so far.
audio_at() { echo $(($(stat -c %s "$AUDIO" 2>/dev/null || echo 0) / 2 * 2)); }
# Sets PEAK (dBFS, rounded; -99 for silence) and SPAN (milliseconds from the
# first sample that is not 0 to the last) of $AUDIO from byte FROM to byte TO
# (or what is written so far).
sound_in() {
  read -r PEAK SPAN < <(tail -c +$(($1 + 1)) "$AUDIO" | head -c $((${2:-$(audio_at)} - $1)) |
    od -An -v -td2 -w2 | awk '{ v = $1 < 0 ? -$1 : $1; if (v > peak) peak = v; if (v) { if (!first) first = NR; last = NR } }
      END { printf "%.0f %d\n", peak ? 20 * log(peak / 32767) / log(10) : -99, first ? (last - first + 1) / 48 : 0 }')
}
# True when the 0.2 s of $AUDIO before byte END (or its end) are silence.
audio_quiet() {
  local end=${1:-$(audio_at)}
  [ "$end" -ge 19200 ] && sound_in $((end - 19200)) "$end" && [ "$SPAN" -eq 0 ]
}
# True once a sound has played out after byte FROM of $AUDIO; sets PEAK and SPAN to its.
sound_since() {
  local end
  end=$(audio_at)
  [ "$end" -ge $(($1 + 19200)) ] && audio_quiet "$end" && sound_in "$1" "$end" && [ "$SPAN" -gt 0 ]
}
# Presses KEYS once all is quiet, and waits for the sound they make to play
# out; sets PEAK and SPAN to its.
key_sound() {
  wait_until audio_quiet || fail "no quiet before pressing $*"
  local from
  from=$(audio_at)
  key "$@"
  wait_until sound_since "$from" || fail "no sound after pressing $*"
}

# The environment that gives the game a controller the test plays (the
# virtual pad, tests/virtual_pad.cpp), with the build's LIBRARY... preloaded
# too; and `pad COMMAND` that plays it: one command is taken each time the
# game polls its controllers.
pad_env() {
  local preload=$BUILD_DIR/libvirtual_pad.so library
  for library in "$@"; do preload+=:$BUILD_DIR/$library; done
  : >"$WORK/pad"
  echo "VIRTUAL_PAD_COMMANDS=$WORK/pad LD_PRELOAD=$preload"
}
pad() { echo "$*" >>"$WORK/pad"; }

# Presses keys in the game's window. xdotool's complaints go to a log: the
# key-up of a key that ends the game finds no window any more.
key() { xdotool key --window "$WID" "$@" 2>>"$WORK/xdotool.log" || true; }

# Runs a command every 0.1 s until it succeeds, for up to 10 s: a loaded
# machine (sanitizers, software rendering) may take its time.
wait_until() {
  for _ in $(seq 100); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Waits up to 10 s for the game to end and sets EXIT_STATUS to its status.
wait_for_exit() {
  for _ in $(seq 100); do
    kill -0 "$GAME_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$GAME_PID" 2>/dev/null && fail "the game is still running"
  EXIT_STATUS=0
  wait "$GAME_PID" || EXIT_STATUS=$?
  GAME_PID=
}

# The distribution's ImageMagick: a `convert` earlier on the PATH may be another program.
MAGICK=/usr/bin/convert

# Saves the window as $WORK/NAME.png, and in $E2E_SHOTS too when that is set.
capture() {
  import -window "$WID" "$WORK/$1.png"
  if [ -n "${E2E_SHOTS:-}" ]; then cp "$WORK/$1.png" "$E2E_SHOTS/"; fi
}


# Echoes how many pixels of the screenshot $WORK/NAME.png inside GEOMETRY
# (WxH+X+Y, y down from the window's top) are of COLOUR: white, red, green,
# shaded-red, saturated (any strong colour) or box (the error box's grey).
count_pixels() {
  local test
  case "$3" in
    white) test='r>0.9 && g>0.9 && b>0.9' ;;
    red) test='r>0.9 && g<0.1 && b<0.1' ;;
    shaded-red) test='r>0.4 && g<0.25 && b<0.25' ;;  # the lit faces of a red cube
    green) test='g>0.9 && r<0.1 && b<0.1' ;;
    saturated) test='max(r,max(g,b)) - min(r,min(g,b)) > 0.4' ;;
    box) test='abs(r-0.2)<0.01 && abs(g-0.2)<0.01 && abs(b-0.2)<0.01' ;;
    *) fail "count_pixels: no colour '$3'" ;;
  esac
  "$MAGICK" "$WORK/$1.png" -crop "$2" +repage -fx "$test" -format '%[fx:round(mean*w*h)]' info:
}

# True when the screenshot has more than MIN pixels of COLOUR in GEOMETRY;
# sets `counted` to the count.
has_pixels() {
  counted=$(count_pixels "$1" "$2" "$3")
  [ "${counted:-0}" -gt "$4" ]
}

# Captures the window as NAME and is true when it has more than MIN pixels
# of COLOUR in GEOMETRY, as in `wait_until shows NAME GEOMETRY COLOUR MIN`.
shows() { capture "$1" && has_pixels "$@"; }

# True when two screenshots, $WORK/A.png and $WORK/B.png, are the same to the
# pixel inside GEOMETRY.
same_area() {
  local difference
  difference=$("$MAGICK" "$WORK/$1.png" "$WORK/$2.png" -crop "$3" +repage -compose difference -composite \
    -format '%[max]' info:)
  [ "$difference" = 0 ]
}

# True when two screenshots show the same lit shapes inside GEOMETRY, whatever
# their colours: the menu's wall changes its colours now and then.
same_silhouette() {
  local difference
  difference=$("$MAGICK" "$WORK/$1.png" "$WORK/$2.png" -crop "$3" +repage -threshold 1% \
    -compose difference -composite -format '%[max]' info:)
  [ "$difference" = 0 ]
}

# The top of what is drawn in the middle of the play field's COLUMN (0 to 7),
# below the line of text ("Paused" stands over columns 3 and 4), in window
# pixels from the top, in the screenshot $WORK/NAME.png; empty when nothing
# is. Columns stand 3 units apart from x = -10, 45 units away in a 45-degree
# view: about 13.2 pixels a unit at the cubes' front faces.
column_top() {
  local x=$((320 + (3 * $2 - 10) * 13168 / 1000))
  local box
  box=$("$MAGICK" "$WORK/$1.png" -crop "8x450+$((x - 4))+30" +repage -fuzz 10% -format '%@' info: 2>/dev/null)
  [[ $box =~ ^[0-9]+x([0-9]+)\+[0-9]+\+([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -gt 0 ] && echo $((BASH_REMATCH[2] + 30))
}
# A row of cubes, 2 units, is about 26 pixels high near the middle of the window.
ROW_PIXELS=26

# Where the texts stand in the 640 x 480 window.
TITLE_AREA=120x22+225+44      # "Tessarine 3D" on the menu
SCORE_AREA=100x22+430+6       # "Score: N" on the Play screen
PAUSED_AREA=80x22+285+6       # "Paused" above the well, in the score line's colour
TABLE_AREA=200x340+220+65     # the eleven lines of the high score table
FIRST_LINE_AREA=200x20+220+67 # the table's first line
TYPED_NAME_AREA=100x20+422+152  # the name being typed, beside the table
ERROR_BOX_AREA=200x40+220+220  # the middle of the error box, whatever its message

# True when the screenshot $WORK/NAME.png shows the error box.
box_shown() { has_pixels "$1" "$ERROR_BOX_AREA" box 4000; }
