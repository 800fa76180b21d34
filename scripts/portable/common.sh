# Shared by the portable build scripts (sourced, not run).
#
# Everything fetched or built lives in one cache folder outside the checkout,
# keyed by what went into it, so that a later clone on the same machine
# reuses it. Each step takes a lock on its own entry so that two runs at once
# wait for each other instead of building into the same folder.
set -euo pipefail

portable_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo_root=$(cd "$portable_dir/../.." && pwd)
cache=${MAVREL_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/mavrel}
mkdir -p "$cache/locks"
# The machine is shared: builds and root making yield to everything else.
renice -n 10 $$ >/dev/null 2>&1 || true

# The versions everything is keyed by. The libraries come from bookworm's
# source packages and are built inside a bullseye root (glibc 2.31), whose
# symbols newer than 2.17 are pinned back (glibc-pins.h).
build_suite=bullseye
build_root_packages=(
  g++ make cmake pkg-config dpkg-dev
  libx11-dev libxext-dev libxcursor-dev libxi-dev libxrandr-dev libxss-dev
  libxfixes-dev libxkbcommon-dev libwayland-dev wayland-protocols libegl-dev
  libfontconfig-dev zlib1g-dev
)
source_suite=bookworm
sdl_package=libsdl2 sdl_version=2.26.5+dfsg-1
ttf_package=libsdl2-ttf ttf_version=2.20.1+dfsg-2
ft_package=freetype ft_version=2.12.1+dfsg-5+deb12u4
# libisofs, for mavrel-inspect image (the portable tool of the kit).
isofs_package=libisofs isofs_version=1.5.4-1
# libpng for mavrel-inspect's render (the launcher needs none).
png_package=libpng1.6 png_version=1.6.39-2+deb12u5
# libdecor's header only, from its development package: SDL loads the
# library at run time where the desktop has it (GNOME's Wayland draws no
# title bars of its own).
decor_package=libdecor-0-dev decor_version=0.1.1-2
# The packages a desktop has for X11 programs: all a test root holds.
test_root_packages=(libx11-6 libxext6 libfontconfig1 libfreetype6 fonts-dejavu-core)

log() { echo "portable: $*" >&2; }

# The Debian mirror this machine already uses (its first non-security
# archive), so that nothing here names a host of its own.
debian_mirror() {
  local uri
  uri=$(cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources \
    2>/dev/null | grep -v '^\s*#' | grep -oE '(https?|file)://[^ ]+' |
    grep -E '/debian/?$' | head -n 1 || true)
  echo "${uri:-http://deb.debian.org/debian}"
}

# with_lock NAME COMMAND...: runs COMMAND holding the cache lock NAME.
with_lock() {
  local name=$1
  shift
  flock "$cache/locks/$name.lock" "$@"
}

# apt_host ARGS...: apt-get on this machine, serialised with every other user.
apt_host() {
  DEBIAN_FRONTEND=noninteractive flock /tmp/apt.lock apt-get "$@"
}

# need_host_tools TOOL=PACKAGE...: installs the packages of missing tools.
need_host_tools() {
  local missing=() pair
  for pair in "$@"; do
    command -v "${pair%%=*}" >/dev/null 2>&1 || missing+=("${pair#*=}")
  done
  if [ "${#missing[@]}" -gt 0 ]; then
    log "installing ${missing[*]}"
    apt_host install -y -qq --no-install-recommends "${missing[@]}" >/dev/null ||
      { apt_host update -qq && apt_host install -y -qq --no-install-recommends "${missing[@]}" >/dev/null; }
  fi
}

# in_root ROOT COMMAND...: runs COMMAND inside ROOT with /proc, /dev and the
# given bind mounts (BINDS, "host:inside" words) mounted for that run only, in
# a private mount namespace, so nothing stays mounted when it ends.
in_root() {
  local root=$1
  shift
  local mounts="mount -t proc proc '$root/proc' && mount --rbind /dev '$root/dev' && mount -t tmpfs tmpfs '$root/tmp'"
  local bind
  for bind in ${BINDS:-}; do
    mounts+=" && mkdir -p '$root/${bind#*:}' && mount --bind '${bind%%:*}' '$root/${bind#*:}'"
  done
  unshare --mount --propagation private -- sh -c "$mounts && exec chroot '$root' \"\$@\"" \
    sh env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    LANG=C.UTF-8 ${IN_ROOT_ENV:-} "$@"
}

# share_root KIND SUITE: holds the root's lock shared until this script ends,
# so that make-root.sh does not remake or change the root while it is used.
share_root() {
  local fd
  exec {fd}>"$cache/locks/root-$1-$2.lock"
  flock -s "$fd"
}
