#!/bin/sh
# tessarine3d: starts Tessarine 3D in the player's own data directory, so that
# "scores.dat" is kept between runs whatever directory the game is started
# from. On the first run (and whenever one is missing) the block images are
# copied in. An image already there is replaced only when it is one an
# earlier release shipped; any other is the player's own and is kept. A data directory that cannot be written is used as it is: the
# game plays with the images it finds there and says so when a score cannot
# be saved. The game and its images are found relative to this script's real
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
earlier_images=$images/earlier-images.sha256

[ -x "$game" ] || fail "the game is missing: $game"

# The game's own answers need no data directory: nothing is made or copied.
for argument in "$@"; do
  case $argument in
    -h | --help | -V | --version) exec "$game" "$argument" ;;
  esac
done

# The XDG base directories: a relative or empty XDG_DATA_HOME is ignored.
case "${XDG_DATA_HOME:-}" in
  /*) data_home=$XDG_DATA_HOME ;;
  *) [ -n "${HOME:-}" ] || fail "neither XDG_DATA_HOME nor HOME is set, so there is no place for the scores"
     data_home=$HOME/.local/share ;;
esac
data=$data_home/tessarine3d

mkdir -p "$data" 2>/dev/null || fail "cannot make the data directory $data"

# True when the file is byte for byte the image of that name an earlier release shipped.
shipped_earlier() {
  sum=$(sha256sum <"$1" 2>/dev/null) || return 1
  grep -qx "${sum%% *}  $2" "$earlier_images" 2>/dev/null
}

# The images get the player's usual permissions, not mktemp's 0600.
image_mode=$(printf '%o' $((0666 & ~$(umask))))
uncopied=
for source in "$images"/block_*.bmp; do
  image=${source##*/}
  keep=-n
  if [ -e "$data/$image" ]; then
    cmp -s "$source" "$data/$image" && continue
    shipped_earlier "$data/$image" "$image" || continue
    keep=-f
  fi
  # Copied under a temporary name and renamed, so that a failed copy leaves
  # no half image behind; mv -n keeps an image that appeared meanwhile.
  if partial=$(mktemp "$data/.$image.XXXXXX" 2>/dev/null); then
    cp "$source" "$partial" 2>/dev/null && chmod "$image_mode" "$partial" && mv $keep "$partial" "$data/$image" ||
      uncopied=yes
    rm -f "$partial"
  else
    uncopied=yes
  fi
done
[ -z "$uncopied" ] ||
  echo "tessarine3d: the block images could not all be copied into $data; the game uses those it finds there" >&2

cd "$data" || fail "cannot enter the data directory $data"
exec "$game" "$@"
