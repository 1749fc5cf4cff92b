#!/bin/bash
# Installs what is missing, builds Tessarine 3D and starts it in run/, the
# directory that holds its block images and its "scores.dat".
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh play
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
cmake --build build -j "$(nproc)"
mkdir -p run
# The block images the build made, unless the player has put their own there.
for image in build/block_*.bmp; do
  [ -e "run/${image#build/}" ] || cp "$image" run/
done
cd run
exec ../build/tessarine3d "$@"
