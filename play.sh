#!/bin/bash
# Installs what is missing, builds Tessarine 3D and starts it in run/, the
# directory that holds its block images and its "scores.dat". It prints a
# line per stage; apt's and the build's output go to build/play.log, which is
# shown only when a stage fails.
set -euo pipefail
cd "$(dirname "$0")"
mkdir -p build
log=build/play.log
: >"$log"

# Shows the whole log after a failed stage, and stops.
failed() {
  cat "$log" >&2
  echo "play.sh: $1 failed; the full output is above and in $log" >&2
  exit 1
}

# Runs a stage with its output in the log.
stage() {
  local what=$1
  shift
  echo "$what"
  "$@" >>"$log" 2>&1 || failed "$what"
}

# The packages it installs are listed here; apt's output goes to the log.
echo "Checking the Debian packages it needs"
scripts/deps.sh play "$log" || failed "installing the packages"
stage "Configuring the build" cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF
stage "Building" cmake --build build -j "$(nproc)"
mkdir -p run
# The block images the build made, unless the player has put their own there.
for image in build/block_*.bmp; do
  [ -e "run/${image#build/}" ] || cp "$image" run/
done
echo "Starting Tessarine 3D in run/"
cd run
exec ../build/tessarine3d "$@"
