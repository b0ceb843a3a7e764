# Shared by the scripts that build libraries from Debian's own source
# packages (scripts/linux-deps, scripts/windows-deps). Source it; each
# function reports through the caller's say().

# Runs a command as root (directly when we are root).
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

has_deb_src() {
  grep -Eqs '^[[:space:]]*deb-src[[:space:]]' /etc/apt/sources.list /etc/apt/sources.list.d/*.list ||
    grep -Eqs '^Types:.*deb-src' /etc/apt/sources.list.d/*.sources
}

# Makes sure apt knows Debian's source packages; $1 is a package whose
# source index must be there (it tells a missing index from a missing entry).
ensure_deb_src() {
  if ! has_deb_src; then
    say "adding a deb-src entry for bookworm main to apt's sources"
    as_root tee /etc/apt/sources.list.d/relaycaster-deb-src.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    as_root apt-get update -qq
  elif [ -z "$(apt-cache showsrc --only-source "$1" 2>/dev/null | head -1)" ]; then
    as_root apt-get update -qq  # the entry is there but its index was never fetched
  fi
}

source_version() {
  apt-cache showsrc --only-source "$1" 2>/dev/null | awk '/^Version:/ { print $2 }' | sort -V | tail -1
}

# fetch_source NAME VERSION DOWNLOADS DESTINATION: unpacks the source with
# Debian's changes applied when the archive serves them; a source whose
# Debian part cannot be had is unpacked from its upstream tarball alone.
fetch_source() {
  local name=$1 version=$2 downloads=$3 destination=$4
  local upstream=${version%-*}
  upstream=${upstream#*:}
  mkdir -p "$downloads"
  (cd "$downloads" && apt-get source -qq --download-only "$name=$version" >/dev/null 2>&1) || true
  local dsc
  dsc=$(ls "$downloads/${name}_${version#*:}.dsc" 2>/dev/null || true)
  rm -rf "$destination"
  mkdir -p "$(dirname "$destination")"
  if [ -n "$dsc" ] && dpkg-source -x --no-check "$dsc" "$destination" >/dev/null 2>&1; then
    return
  fi
  local orig
  orig=$(ls "$downloads/${name}_${upstream}".orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -1 || true)
  [ -n "$orig" ] || { say "could not download the source of $name $version"; exit 1; }
  say "$name: Debian's changes are not available, building the upstream source"
  mkdir -p "$destination"
  tar -xf "$orig" -C "$destination" --strip-components=1
}
