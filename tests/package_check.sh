#!/bin/bash
# Checks the Debian package with Debian's own tools: lintian, and the desktop
# entry and AppStream metadata it ships. Run as root on a machine where the
# package is not installed (CI), it also installs the package, starts the
# installed launcher once, and removes it again: the files go, and the
# player's data directory stays.
#   tests/package_check.sh PACKAGE.deb
set -euo pipefail
deb=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

status=0
lintian --fail-on error,warning "$deb" >"$work/lintian" 2>&1 || status=$?
grep -v 'running with root privileges' "$work/lintian" || true
[ "$status" -eq 0 ] || { echo "lintian found errors or warnings" >&2; exit 1; }
dpkg-deb -x "$deb" "$work/tree"
desktop-file-validate "$work"/tree/usr/share/applications/*.desktop
appstreamcli validate --no-net "$work"/tree/usr/share/metainfo/*.metainfo.xml >/dev/null
echo "lintian, desktop-file-validate and appstreamcli: no complaints"
# The metadata and the man page carry the package's version, and the desktop
# entry names the class the game gives its window.
version=$(dpkg-deb -f "$deb" Version)
grep -q "<release version=\"$version\"" "$work"/tree/usr/share/metainfo/*.metainfo.xml ||
  { echo "the metadata's release is not $version" >&2; exit 1; }
zcat "$work/tree/usr/share/man/man6/tessarine3d.6.gz" | head -n 1 | grep -q "Tessarine 3D $version" ||
  { echo "the man page is not of version $version" >&2; exit 1; }
grep -qx 'StartupWMClass=Tessarine3d' "$work"/tree/usr/share/applications/*.desktop ||
  { echo "the desktop entry names no window class Tessarine3d" >&2; exit 1; }

if [ "$(id -u)" -ne 0 ]; then
  echo "Not root: the package is not installed and removed here."
  exit 0
fi
if dpkg-query -W -f='${Status}' tessarine3d 2>/dev/null | grep -q 'install ok installed'; then
  echo "tessarine3d is installed already: it is left as it is, and not installed and removed here."
  exit 0
fi

# Whatever fails from here on, the package does not stay installed: a later
# run would take it for the player's own and skip these checks.
trap 'dpkg --purge tessarine3d >/dev/null 2>&1; rm -rf "$work"' EXIT
dpkg -i "$deb" >/dev/null
[ -x /usr/games/tessarine3d ] || { echo "no /usr/games/tessarine3d after installing" >&2; exit 1; }
mkdir "$work/home"
# Without a display the game itself cannot start, but the launcher has made
# the data directory with the images by then.
(cd / && HOME=$work/home XDG_DATA_HOME='' env -u DISPLAY /usr/games/tessarine3d >/dev/null 2>&1) || true
data=$work/home/.local/share/tessarine3d
[ "$(ls "$data" | wc -l)" -eq 6 ] || { echo "the installed launcher did not fill $data: $(ls "$data")" >&2; exit 1; }

dpkg --purge tessarine3d >/dev/null
for path in /usr/games/tessarine3d /usr/libexec/tessarine3d /usr/share/games/tessarine3d; do
  [ ! -e "$path" ] || { echo "$path is still there after removing the package" >&2; exit 1; }
done
[ "$(ls "$data" | wc -l)" -eq 6 ] || { echo "removing the package touched $data" >&2; exit 1; }
echo "The package installs, runs its launcher and removes cleanly; the data directory stays."
