# Fetches Debian's own source packages for the scripts that build
# third-party libraries for another platform, with `apt-get source` through a
# private apt configuration: the system's sources stay as they are.
# Usage, from bash: source scripts/debian-source.sh DIRECTORY
# then fetch_source PACKAGE, as often as needed. DIRECTORY holds the private
# apt tree and the unpacked sources; it is made afresh by the first fetch of
# each run, so the package lists are never stale.

apt=$1
apt_options=(-o Dir::Etc::SourceList="$apt/sources.list" -o Dir::Etc::SourceParts="$apt/sources.list.d"
             -o Dir::State::Lists="$apt/lists" -o Dir::Cache="$apt/cache" -o Debug::NoLocking=1
             -o APT::Sandbox::User=root)
rm -rf "$apt"

# fetch_source PACKAGE: unpacks PACKAGE's Debian source into $apt/source and
# sets source_dir to its tree. The private tree gets a deb-src twin of every
# archive the machine is configured with, one-line sources and deb822 ones alike.
fetch_source() {
  if [ ! -d "$apt" ]; then
    mkdir -p "$apt/sources.list.d" "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/source"
    if [ -f /etc/apt/sources.list ]; then
      sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' /etc/apt/sources.list >"$apt/sources.list"
    else
      : >"$apt/sources.list"
    fi
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -e "$file" ] || continue
      sed 's/^Types:.*/Types: deb-src/' "$file" >"$apt/sources.list.d/$(basename "$file")"
    done
    apt-get "${apt_options[@]}" update -qq
  fi
  (cd "$apt/source" && apt-get "${apt_options[@]}" source -qq "$1" >/dev/null)
  source_dir=$(find "$apt/source" -mindepth 1 -maxdepth 1 -type d -name "$1-*" | head -n 1)
  [ -n "$source_dir" ] || { echo "apt-get source gave no $1 tree" >&2; exit 1; }
}
