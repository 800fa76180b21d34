#!/usr/bin/env bash
# make-root.sh build|test SUITE: makes (once) a Debian minbase root in the
# cache and prints its path.
#   build: the compilers and headers the portable launcher is built with;
#          packages added to the list later are installed into it in place.
#   test:  only what a desktop has for X11 programs, to run it on; made
#          anew when its list changes, so it never holds anything more.
# A root is made in a scratch folder and renamed into place when complete,
# so an interrupted run leaves nothing that looks finished.
source "$(dirname "$0")/common.sh"
kind=${1:?build or test} suite=${2:?suite}
case $kind in
  build) packages=("${build_root_packages[@]}") ;;
  test) packages=("${test_root_packages[@]}") ;;
  *) echo "make-root.sh: unknown kind $kind" >&2; exit 2 ;;
esac
root=$cache/root-$kind-$suite

install_packages() { # ROOT PACKAGE...
  local into=$1
  shift
  IN_ROOT_ENV=DEBIAN_FRONTEND=noninteractive in_root "$into" sh -c \
    "apt-get update -qq && apt-get install -y -qq --no-install-recommends $* >/dev/null && apt-get clean"
}

exec {lock}>"$cache/locks/root-$kind-$suite.lock"
flock "$lock"
wanted=$(printf '%s\n' "${packages[@]}" | sort -u)
if [ -f "$root/.complete" ]; then
  missing=$(comm -23 <(echo "$wanted") <(sort -u "$root/.packages"))
  if [ -z "$missing" ]; then
    echo "$root"
    exit 0
  fi
  if [ "$kind" = build ]; then
    start=$SECONDS
    install_packages "$root" $missing
    echo "$wanted" >"$root/.packages"
    log "added $(echo $missing) to the $suite build root in $((SECONDS - start)) s"
    echo "$root"
    exit 0
  fi
  rm -rf "$root"
fi

need_host_tools debootstrap=debootstrap
scratch=$root.partial start=$SECONDS
rm -rf "$scratch"
log "debootstrap $suite into $scratch"
# The downloaded packages are kept per suite: the build and test roots of
# one suite share most of them, one debootstrap at a time.
mkdir -p "$cache/debs-$suite"
exec {debs_lock}>"$cache/locks/debs-$suite.lock"
flock "$debs_lock"
debootstrap --variant=minbase --cache-dir="$cache/debs-$suite" \
  --keyring=/usr/share/keyrings/debian-archive-keyring.gpg \
  "$suite" "$scratch" "$(debian_mirror)" >"$scratch.log" 2>&1 ||
  { tail -n 20 "$scratch.log" >&2; exit 1; }
log "debootstrap $suite: $((SECONDS - start)) s"
exec {debs_lock}>&-
cp /etc/resolv.conf "$scratch/etc/resolv.conf"
# Packages only: no documentation or translations to unpack.
cat >"$scratch/etc/dpkg/dpkg.cfg.d/01-nodoc" <<'CFG'
path-exclude=/usr/share/doc/*
path-exclude=/usr/share/man/*
path-exclude=/usr/share/info/*
path-exclude=/usr/share/locale/*
CFG
install_start=$SECONDS
install_packages "$scratch" "${packages[@]}"
log "packages into the $suite $kind root: $((SECONDS - install_start)) s"
echo "$wanted" >"$scratch/.packages"
touch "$scratch/.complete"
rm -f "$scratch.log"
mv "$scratch" "$root"
log "$kind root $suite ready in $((SECONDS - start)) s"
echo "$root"
