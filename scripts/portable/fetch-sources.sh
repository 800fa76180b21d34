#!/usr/bin/env bash
# fetch-sources.sh: fetches the Debian source packages of SDL2, SDL2_ttf,
# FreeType, libisofs and libpng into the cache and prints, one a line,
# NAME=FOLDER of each unpacked source tree (Debian's patches applied); and
# libdecor's header, from its development package, as a folder holding
# usr/include/.
#
# apt runs with a configuration of its own (sources, lists and downloads in
# the cache): the machine's apt sources are never changed. A source package
# already in the cache is used as it is, without asking the registry.
source "$(dirname "$0")/common.sh"

apt_dir=$cache/apt-$source_suite
apt_opts=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "Dir::Etc::Preferences=$apt_dir/preferences"
  -o "Dir::Etc::PreferencesParts=$apt_dir/preferences.d"
  -o "APT::Get::Only-Source=true"
  -o "Debug::NoLocking=true"
  -o "APT::Sandbox::User=root"
)

# The scratch index is brought up to date once per run that has anything to
# fetch; a run that finds every source in the cache asks the registry nothing.
updated=
scratch_apt_update() {
  [ -n "$updated" ] && return 0
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" \
    "$apt_dir/preferences.d"
  local mirror security
  mirror=$(debian_mirror)
  security=${mirror%/debian*}/debian-security
  grep -rqs 'debian-security' /etc/apt/sources.list /etc/apt/sources.list.d ||
    security=http://deb.debian.org/debian-security
  cat >"$apt_dir/sources.list" <<LIST
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $source_suite main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $mirror $source_suite-updates main
deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $security $source_suite-security main
LIST
  : >"$apt_dir/preferences"
  apt-get "${apt_opts[@]}" update -qq
  updated=yes
}

# fetch PACKAGE VERSION: unpacks PACKAGE's VERSION, or the newest one the
# registry serves when that one is gone, into $cache/src/.
fetch() {
  local package=$1 version=$2 dir
  dir=$(ls -d "$cache/src/${package}_${version%%-*}"*/tree 2>/dev/null | sort -V | tail -n 1 || true)
  if [ -z "$dir" ] || [ ! -f "$dir/../.complete" ]; then
    scratch_apt_update
    local versions served
    versions=$(apt-cache "${apt_opts[@]}" showsrc "$package" | sed -n 's/^Version: //p' | sort -V)
    # VERSION itself while the registry serves it (a security archive may
    # list a newer one that it does not serve to every mirror).
    if grep -qxF "$version" <<<"$versions"; then served=$version; else served=$(tail -n 1 <<<"$versions"); fi
    [ -n "$served" ] || { log "no source package $package"; exit 1; }
    [ "$served" = "$version" ] || log "$package: $version wanted, $served served; using $served"
    dir=$cache/src/${package}_$served/tree
    local work=$cache/src/${package}_$served.partial
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && apt-get "${apt_opts[@]}" source -qq --download-only "$package=$served" >/dev/null)
    # Unpacked with Debian's patches; the signature is apt's to check (the
    # files' hashes come from the signed index).
    (cd "$work" && dpkg-source --no-check -x ./*.dsc tree >/dev/null)
    touch "$work/.complete"
    rm -rf "${dir%/tree}"
    mv "$work" "${dir%/tree}"
  fi
  echo "$package=$dir"
}

# fetch_headers PACKAGE VERSION: unpacks the binary package PACKAGE (its
# VERSION, else the one this machine's apt serves) into $cache/src/.
fetch_headers() {
  local package=$1 version=$2 dir
  dir=$(ls -d "$cache/src/${package}_"*/tree 2>/dev/null | sort -V | tail -n 1 || true)
  if [ -z "$dir" ] || [ ! -f "$dir/../.complete" ]; then
    local work=$cache/src/$package.partial
    rm -rf "$work" && mkdir -p "$work"
    (cd "$work" && { apt-get download -qq "$package=$version" 2>/dev/null ||
      apt-get download -qq "$package"; } >/dev/null 2>&1) || { log "no package $package"; exit 1; }
    local deb served
    deb=$(ls "$work"/*.deb)
    served=$(dpkg-deb -f "$deb" Version)
    dpkg-deb -x "$deb" "$work/tree"
    touch "$work/.complete"
    dir=$cache/src/${package}_$served/tree
    rm -rf "${dir%/tree}"
    mv "$work" "${dir%/tree}"
  fi
  echo "$package=$dir"
}

need_host_tools dpkg-source=dpkg-dev
exec {lock}>"$cache/locks/sources.lock"
flock "$lock"
fetch "$sdl_package" "$sdl_version"
fetch "$ttf_package" "$ttf_version"
fetch "$ft_package" "$ft_version"
fetch "$isofs_package" "$isofs_version"
fetch "$png_package" "$png_version"
fetch_headers "$decor_package" "$decor_version"
