#!/usr/bin/env bash
# build-libs.sh: builds (once) the static SDL2, SDL_ttf and FreeType of the
# portable launcher, and the static libisofs and libpng of its mavrel-inspect,
# inside the bullseye build root and prints the prefix they are in. The
# prefix is keyed by the sources' versions and the build scripts, so a
# change to any of them builds anew next to the old one.
source "$(dirname "$0")/common.sh"
root=$("$portable_dir/make-root.sh" build "$build_suite")
share_root build "$build_suite"
declare -A src
while IFS='=' read -r name dir; do src[$name]=$dir; done < <("$portable_dir/fetch-sources.sh")

key=$( {
  echo "$build_suite"
  basename "$(dirname "${src[$sdl_package]}")"
  basename "$(dirname "${src[$ttf_package]}")"
  basename "$(dirname "${src[$ft_package]}")"
  basename "$(dirname "${src[$isofs_package]}")"
  basename "$(dirname "${src[$png_package]}")"
  basename "$(dirname "${src[$decor_package]}")"
  cat "$portable_dir/libs-in-root.sh" "$portable_dir/glibc-pins.h" "$portable_dir/glibc-compat.c"
} | sha256sum | cut -c1-12)
prefix=$cache/static-$key

exec {lock}>"$cache/locks/static.lock"
flock "$lock"
if [ ! -f "$prefix/.complete" ]; then
  scratch=$prefix.partial
  rm -rf "$scratch" && mkdir -p "$scratch"
  log "building the static libraries into $scratch"
  start=$SECONDS
  BINDS="$portable_dir:/portable ${src[$sdl_package]}:/src/sdl ${src[$ttf_package]}:/src/ttf
    ${src[$ft_package]}:/src/freetype ${src[$isofs_package]}:/src/isofs ${src[$png_package]}:/src/png
    ${src[$decor_package]}:/src/libdecor $scratch:/static" IN_ROOT_ENV="JOBS=${JOBS:-2}" \
    in_root "$root" sh /portable/libs-in-root.sh >&2
  log "static libraries: $((SECONDS - start)) s"
  touch "$scratch/.complete"
  mv "$scratch" "$prefix"
fi
echo "$prefix"
