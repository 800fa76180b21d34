#!/usr/bin/env bash
# Installs Debian's 32-bit Wine, which runs the i686 Windows programs in the
# tests, into a Debian root of its own (run as root), and writes the two
# commands the tests call: wine32 and wineserver32 in the root's folder.
#
# The root keeps the machine's own packages apart: a 64-bit machine whose
# libraries come partly from the security archive cannot always take the
# same libraries for i386 beside them (the versions must match exactly).
# Quick when everything is there already.
#
# MAVREL_WINE32_ROOT names the root (default /opt/mavrel/wine32-root).
set -euo pipefail
root=${MAVREL_WINE32_ROOT:-/opt/mavrel/wine32-root}
mirror=${MAVREL_DEBIAN_MIRROR:-http://deb.debian.org/debian}
suite=bookworm
# wine32 for the programs; the X libraries that its display driver loads
# and the fonts that the host's wine64 sees too, so that both draw alike.
packages=(
  wine wine32
  libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
  fonts-dejavu-core fonts-liberation
)
ready="$root/.mavrel-wine32-ready"
case $root in
  /?*/*) ;;
  *) echo "setup-wine32: MAVREL_WINE32_ROOT must be a folder two levels deep at least" >&2; exit 1 ;;
esac

write_commands() {
  # Each command runs its program inside the root, in a mount namespace of
  # its own: the system folders and the top folders of the working
  # directory and of WINEPREFIX are bound in, so that paths read the same
  # inside and out. The program keeps the command's process id.
  cat >"$root/wine32" <<'EOF'
#!/bin/sh
# Runs the root's 32-bit Wine (wine32) or its wineserver (wineserver32).
root=$(cd "$(dirname "$0")" && pwd)
case $(basename "$0") in
  wineserver32) target=/usr/lib/wine/wineserver ;;
  *) target=/usr/lib/wine/wine ;;
esac
exec unshare --mount --propagation private /bin/sh -c '
  root=$1; target=$2; shift 2
  for d in /dev /proc /sys /tmp /run; do
    mount --rbind "$d" "$root$d" 2>/dev/null || true
  done
  for p in "$PWD" "${WINEPREFIX:-}"; do
    case $p in /?*) ;; *) continue ;; esac
    rest=${p#/}
    top=/${rest%%/*}
    case $top in /dev|/proc|/sys|/tmp|/run|/) continue ;; esac
    if [ -d "$top" ] && ! mountpoint -q "$root$top"; then
      mkdir -p "$root$top" && mount --rbind "$top" "$root$top"
    fi
  done
  dir=$PWD
  exec chroot "$root" /bin/sh -c "cd \"\$0\" && exec \"\$@\"" "$dir" "$target" "$@"
' wine32 "$root" "$target" "$@"
EOF
  chmod 755 "$root/wine32"
  ln -sf wine32 "$root/wineserver32"
}

if [ -f "$ready" ] && [ -x "$root/usr/lib/wine/wine" ]; then
  write_commands
  exit 0
fi

if ! command -v debootstrap >/dev/null; then
  echo "setup-wine32: installing debootstrap"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends debootstrap
fi

if [ ! -x "$root/usr/bin/apt-get" ]; then
  echo "setup-wine32: making an i386 Debian root in $root"
  rm -rf "$root"
  mkdir -p "$(dirname "$root")"
  if ! debootstrap --arch=i386 --variant=minbase "$suite" "$root" "$mirror" >"$root.log" 2>&1; then
    tail -n 30 "$root.log" >&2
    echo "setup-wine32: making the Debian root failed; the whole log is $root.log" >&2
    exit 1
  fi
fi

echo "setup-wine32: installing ${packages[*]} in $root (a few minutes)"
cp /etc/resolv.conf "$root/etc/resolv.conf" 2>/dev/null || true
log="$root.log"
if ! unshare --mount --propagation private /bin/sh -c '
  set -e
  root=$1; shift
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  chroot "$root" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "$@"
  chroot "$root" apt-get clean
' mavrel-wine32-setup "$root" "${packages[@]}" >"$log" 2>&1; then
  tail -n 30 "$log" >&2
  echo "setup-wine32: installing Wine into $root failed; the whole log is $log" >&2
  exit 1
fi
write_commands
touch "$ready"
