#!/bin/sh
# tessarine3d: starts Tessarine 3D in the player's own data directory, so that
# "scores.dat" is kept between runs whatever directory the game is started
# from. On the first run (and whenever one is missing) the block images are
# copied in; an image already there, perhaps the player's own, is never
# replaced. The game and its images are found relative to this script's real
# location, so an installed tree may be moved or unpacked anywhere.
set -u

fail() {
  echo "tessarine3d: $*" >&2
  exit 1
}

bindir=$(dirname "$(readlink -f "$0")")
prefix=$(dirname "$bindir")
game=$prefix/libexec/tessarine3d/tessarine3d
images=$prefix/share/games/tessarine3d

# The XDG base directories: a relative or empty XDG_DATA_HOME is ignored.
case "${XDG_DATA_HOME:-}" in
  /*) data_home=$XDG_DATA_HOME ;;
  *) [ -n "${HOME:-}" ] || fail "neither XDG_DATA_HOME nor HOME is set, so there is no place for the scores"
     data_home=$HOME/.local/share ;;
esac
data=$data_home/tessarine3d

[ -x "$game" ] || fail "the game is missing: $game"
mkdir -p "$data" 2>/dev/null || fail "cannot make the data directory $data"
[ -w "$data" ] || fail "cannot write in the data directory $data"

for source in "$images"/block_*.bmp; do
  image=${source##*/}
  [ -e "$data/$image" ] && continue
  # Copied under a temporary name and renamed, so that a failed copy leaves
  # no half image behind; mv -n keeps an image that appeared meanwhile.
  partial=$(mktemp "$data/.$image.XXXXXX" 2>/dev/null) || fail "cannot write in the data directory $data"
  if ! cp "$source" "$partial" 2>/dev/null || ! mv -n "$partial" "$data/$image"; then
    rm -f "$partial"
    fail "cannot copy $source into $data"
  fi
  rm -f "$partial"
done

cd "$data" || fail "cannot enter the data directory $data"
exec "$game" "$@"
