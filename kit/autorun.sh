#!/bin/sh
# Starts this medium's launcher, mavrel, with the medium's root (the folder
# holding this file) as its current directory, where it finds Mavrel.INI.
#
# Desktops that follow the freedesktop autostart convention offer to run
# this file when the medium is mounted. Elsewhere, open the medium and run
# it, or type: sh /media/USER/LABEL/autorun.sh
#
# Media often give no execute bit: ISO 9660 without Rock Ridge, vfat with
# showexec, and removable media mounted noexec. Then the launcher is copied
# to a private folder of its own (mktemp -d under $XDG_RUNTIME_DIR, else
# $TMPDIR, else /tmp), started from there, still with the medium's root as
# its current directory, and the folder is removed when it ends.
#
# Exit status: the launcher's; 1 when it is missing or cannot be started.

case $0 in
  */*) root=${0%/*} ;;
  *) root=. ;;
esac
# $(...) takes away the line feed that ends pwd's answer, and any that end
# the folder's own name with it: the dot after them keeps those.
root=$(cd -- "$root" && pwd -P && echo .) || exit 1
root=${root%?.}
launcher=$root/mavrel
if [ ! -f "$launcher" ]; then
  echo "autorun.sh: the launcher \"mavrel\" is missing from $root" >&2
  exit 1
fi
cd -- "$root" || exit 1

# 126 is the shell's "found but cannot be run"; the launcher itself ends with
# 0 or 1, so 126 means the medium would not let it run.
if [ -x "$launcher" ]; then
  "$launcher" "$@"
  status=$?
  [ "$status" -ne 126 ] && exit "$status"
fi

private=
cleanup() {
  if [ -n "$private" ]; then
    rm -rf -- "$private"
    private=
  fi
}
trap cleanup EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM

# The first place that lets a copy run: $TMPDIR or /tmp may be noexec too.
for base in "${XDG_RUNTIME_DIR:-}" "${TMPDIR:-}" /tmp; do
  if [ -z "$base" ] || [ ! -d "$base" ] || [ ! -w "$base" ]; then
    continue
  fi
  private=$(mktemp -d "$base/mavrel.XXXXXXXXXX") || { private=; continue; }
  if cp -- "$launcher" "$private/mavrel" && chmod 700 "$private/mavrel"; then
    "$private/mavrel" "$@"
    status=$?
    if [ "$status" -ne 126 ]; then
      cleanup
      exit "$status"
    fi
  fi
  cleanup
done
echo "autorun.sh: no folder lets the launcher run (tried \$XDG_RUNTIME_DIR, \$TMPDIR, /tmp)" >&2
exit 1
