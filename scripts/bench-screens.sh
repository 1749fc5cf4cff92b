#!/bin/bash
# Measures what each screen of the game costs, beside a minimal GLUT program
# that only clears and swaps at 120 frames a second, in one run:
#
#   scripts/bench-screens.sh [GAME...]
#
# GAME is a tessarine3d binary with the block images beside it (several give
# a before-and-after in the same run); without one, the release build made
# in build-bench/. For each window size (640 x 480, 1920 x 1080, each on an
# Xvfb screen of that size) and each screen it prints the frames a second,
# counted at glXSwapBuffers by a preloaded counter, and the processor time of
# the program's process alone (utime + stime from /proc/PID/stat) as a share
# of one core, over BENCH_SECONDS (10) after 2 s of warming up: the falling
# piece (without a sound device, with one, muted), a paused game (and with a
# controller connected), the table at rest, the menu, the menu behind an
# error box (a broken image), the name prompt after a game, and the menu with
# its window hidden; then the delay from a key to the frame that shows it. Then the fall
# speed: the time the first piece takes to land (15 steps), at each size and
# with each buffer swap made 25 ms slower. Last, each drawing step alone
# (tests/screens_bench), when Google Benchmark is installed. Not a test: the
# figures depend on the machine and its load, which the script prints.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${BENCH_SECONDS:-10}
work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

c++ -O2 -shared -fPIC -o "$work/swap_counter.so" "$root/scripts/bench/swap_counter.cpp" -ldl
cc -O2 -o "$work/minimal" "$root/scripts/bench/minimal.c" -lglut -lGL
cc -O2 -o "$work/key_latency" "$root/scripts/bench/key_latency.c" -lX11
# This tree's release build: its game unless others are named, and the
# tests' virtual controller, which any game may be given.
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON >/dev/null
cmake --build "$root/build-bench" -j 2 --target tessarine3d block_images virtual_pad >/dev/null
# The drawing steps' benchmark exists only where Google Benchmark is installed.
cmake --build "$root/build-bench" -j 2 --target screens_bench >/dev/null 2>&1 || true
games=("$@")
[ ${#games[@]} -gt 0 ] || games=("$root/build-bench/tessarine3d")
ticks_per_second=$(getconf CLK_TCK)
latency=()

start_xvfb() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" && wait "$xvfb_pid" 2>/dev/null
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "$1x$2x24" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 200); do [ -s "$work/display" ] && break; sleep 0.05; done
  export DISPLAY=":$(cat "$work/display")"
}

# Starts COMMAND... in the game's directory with the swap counter, its window
# sized to the screen; sets app_pid and wid.
launch() {
  local name=$1 width=$2 height=$3
  shift 3
  head -c 8 /dev/zero >"$work/swaps"
  (cd "$(dirname "$1")" &&
    BENCH_SWAP_FILE="$work/swaps" LD_PRELOAD="$work/swap_counter.so${BENCH_PRELOAD:+:$BENCH_PRELOAD}" \
      exec "$@" >"$work/stdout" 2>/dev/null) &
  app_pid=$!
  wid=
  for _ in $(seq 100); do
    wid=$(xdotool search --name "^$name\$" 2>/dev/null | head -n 1) && [ -n "$wid" ] && break
    sleep 0.1
  done
  [ -n "$wid" ] || { echo "no window named $name" >&2; exit 1; }
  xdotool windowsize "$wid" "$width" "$height" 2>/dev/null
}

stop() {
  kill "$app_pid" 2>/dev/null || true
  wait "$app_pid" 2>/dev/null || true
  app_pid=
}

# Prints "frames processor-ticks" of the running program.
sample() {
  local swaps cpu
  swaps=$(od -An -tu8 "$work/swaps" | tr -d ' ')
  cpu=$(awk '{print $14 + $15}' "/proc/$app_pid/stat")
  echo "$swaps $cpu $(date +%s.%N)"
}

# Prints one row of the table for the program already launched.
measure() {
  local label=$1 before after
  sleep 2
  before=$(sample)
  sleep "$seconds"
  after=$(sample)
  stop
  echo "$before $after" | awk -v label="$label" -v tps="$ticks_per_second" -v base="${baseline:-0}" '{
    t = $6 - $3; fps = ($4 - $1) / t; cpu = 100 * ($5 - $2) / tps / t
    ratio = base > 0 ? sprintf("%.1f", cpu / base) : "1"
    printf "| %-40s | %6.1f | %6.1f %% | %5s |\n", label, fps, cpu, ratio
    print cpu > "/dev/stderr"
  }' 2>"$work/cpu"
}

# The game to start for SCREEN: GAME itself, or a link to it in a scratch
# directory with its images and a broken red one (an error box at start-up),
# or a table whose lowest score is -1 (any game asks for a name).
game_in() {
  local game=$1 screen=$2 dir
  case $screen in
    "Menu, error box") dir=$work/boxed ;;
    "Name prompt") dir=$work/prompt ;;
    *) echo "$game"; return ;;
  esac
  rm -rf "$dir" && mkdir -p "$dir"
  cp "$(dirname "$game")"/block_*.bmp "$dir/"
  ln -s "$game" "$dir/tessarine3d"
  if [ "$screen" = "Menu, error box" ]; then
    echo "not an image" >"$dir/block_red.bmp"
  else
    for _ in $(seq 11); do printf 'Bench'; head -c 95 /dev/zero; printf '\xff\xff\xff\xff'; done >"$dir/scores.dat"
  fi
  echo "$dir/tessarine3d"
}

# Runs COMMAND... with what SCREEN needs: a sound device (SDL's disk driver
# writing to /dev/null at the pace of a real one), or a game controller
# connected (the tests' virtual one, preloaded); otherwise the machine's own
# audio, which on a machine without a sound card is none.
screen_env() {
  local screen=$1
  shift
  case $screen in
    *"sound"*) SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null "$@" ;;
    *controller) : >"$work/pad"
      BENCH_PRELOAD=$root/build-bench/libvirtual_pad.so VIRTUAL_PAD_COMMANDS=$work/pad "$@" ;;
    *) "$@" ;;
  esac
}

# Starts a game and holds Down until it is over and the name prompt shows.
play_to_prompt() {
  xdotool key --window "$wid" Return 2>/dev/null
  for _ in $(seq 60); do
    grep -q '^your score' "$work/stdout" && return
    xdotool key --window "$wid" --delay 15 --repeat 10 Down 2>/dev/null
  done
  echo "no game over for the name prompt" >&2
  exit 1
}

# Seconds from Enter on Start until the first piece lands and the next one
# appears at the top of column 3 (the first is moved to column 4 at once).
fall_time() {
  local width=$1 height=$2 game=$3 start x y size
  launch "Tessarine 3D" "$width" "$height" "$game"
  sleep 1
  # Column 3's top cube, in a 45-degree view from 45 units away.
  x=$(awk -v w="$width" -v h="$height" 'BEGIN { printf "%d", w / 2 - 0.0537 * h / 2 }')
  y=$(awk -v h="$height" 'BEGIN { printf "%d", 0.0977 * h }')
  size=$((height / 50))
  xdotool key --window "$wid" Return Right 2>/dev/null
  start=$(date +%s.%N)
  # A capture of a large window stalls the game's frames; none before the
  # piece can have landed (the steps take 11.95 s at the game's pace).
  sleep 10
  for _ in $(seq 300); do
    import -window "$wid" -crop "${size}x${size}+$((x - size / 2))+$((y - size / 2))" "$work/spawn.png"
    [ "$(convert "$work/spawn.png" -format '%[max]' info:)" != 0 ] && break
    sleep 0.05
  done
  stop
  awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.2f s, %.2f rows/s", e - s, 15 / (e - s) }'
}

echo "Machine: $(nproc) cores, load average at start: $(cut -d ' ' -f 1-3 /proc/loadavg)"
echo "Measured over $seconds s per row; processor time of the program's process as a share of one core."
for size in 640x480 1920x1080; do
  width=${size%x*}
  height=${size#*x}
  start_xvfb "$width" "$height"
  echo
  echo "## $width x $height"
  echo
  echo "| screen | frames/s | processor | x the minimal program |"
  echo "|---|---|---|---|"
  baseline=0
  launch minimal "$width" "$height" "$work/minimal"
  measure "minimal program"
  baseline=$(cat "$work/cpu")
  for game in "${games[@]}"; do
    tag=$(basename "$(dirname "$game")")
    for screen in Play "Play, sound on" "Play, sound muted" "Play, paused" "Play, paused, controller" \
                  Highscores Menu "Menu, error box" "Name prompt"; do
      screen_env "$screen" launch "Tessarine 3D" "$width" "$height" "$(game_in "$game" "$screen")"
      sleep 0.5
      case $screen in
        Play | "Play, sound on") xdotool key --window "$wid" Return 2>/dev/null ;;
        "Play, sound muted") xdotool key --window "$wid" Return m 2>/dev/null ;;
        "Play, paused"*) xdotool key --window "$wid" Return p 2>/dev/null ;;
        Highscores) xdotool key --window "$wid" Down Return 2>/dev/null ;;
        "Name prompt") play_to_prompt ;;
      esac
      measure "$tag: $screen"
    done
    # The menu again with its window unmapped, as when minimised: no frames.
    launch "Tessarine 3D" "$width" "$height" "$game"
    sleep 0.5
    xdotool windowunmap "$wid" 2>/dev/null
    measure "$tag: Menu, window hidden"
    launch "Tessarine 3D" "$width" "$height" "$game"
    sleep 0.5
    xdotool key --window "$wid" Return p 2>/dev/null
    sleep 1
    latency+=("- $tag, $width x $height: $(BENCH_SWAP_FILE="$work/swaps" "$work/key_latency" "$wid" 40)")
    stop
  done
done
echo
echo "Key-to-swap delay: Left and Right in turn in a paused game, from the key sent to the frame swapped"
printf '%s\n' "${latency[@]}"
echo
echo "Fall speed: the first piece's 15 steps (at 1.25 rows/s they take 11.95 s)"
for game in "${games[@]}"; do
  tag=$(basename "$(dirname "$game")")
  start_xvfb 640 480
  echo "- $tag, 640 x 480: $(fall_time 640 480 "$game")"
  fall_time_line=$(BENCH_SWAP_DELAY_MS=25 fall_time 640 480 "$game")
  echo "- $tag, 640 x 480, each swap 25 ms slower: $fall_time_line"
  start_xvfb 1920 1080
  echo "- $tag, 1920 x 1080: $(fall_time 1920 1080 "$game")"
done
# Each drawing step alone, every pixel drawn and only one (see
# tests/screens_bench.cpp), with the images of the first game.
steps="$root/build-bench/tests/screens_bench"
if [ -x "$steps" ]; then
  echo
  echo "Drawing steps alone, processor ms a frame at 640 x 480 (every pixel / one pixel):"
  echo
  start_xvfb 640 480
  (cd "$(dirname "${games[0]}")" &&
    "$steps" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true --benchmark_format=csv) 2>/dev/null |
    awk -F, '$1 ~ /_median"$/ {
      name = $1; gsub(/"/, "", name); sub(/\/process_time\/real_time_median$/, "", name)
      pixels = substr(name, length(name)); name = substr(name, 1, length(name) - 2)
      if (!(name in seen)) { seen[name]; order[++n] = name }
      cpu[name, pixels] = $4
    }
    END {
      print "| step | every pixel | one pixel |"; print "|---|---|---|"
      for (i = 1; i <= n; i++) printf "| %s | %.3f | %.3f |\n", order[i], cpu[order[i], 0], cpu[order[i], 1]
    }'
fi
echo
echo "Load average at the end: $(cut -d ' ' -f 1-3 /proc/loadavg)"
