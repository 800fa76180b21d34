#!/usr/bin/env bash
# check-binary.sh BINARY...: fails when a portable Linux program needs more
# than the oldest systems it is made for have:
#   - a NEEDED library beyond libc, libm, libdl, libpthread, librt, libX11,
#     libXext and the dynamic loader;
#   - a GLIBC_ symbol version newer than 2.17, or any GLIBCXX_/CXXABI_ one
#     (the C++ runtime is linked in);
#   - an exported (defined, dynamic) SDL_, TTF_, FT_, libpng or zlib symbol,
#     which would let a system library bind to the copies linked in, or the
#     reverse.
# Prints the NEEDED list, the glibc floor and the size of each.
set -euo pipefail
allowed_needed='^(libc\.so\.6|libm\.so\.6|libdl\.so\.2|libpthread\.so\.0|librt\.so\.1|libX11\.so\.6|libXext\.so\.6|ld-linux-x86-64\.so\.2)$'
[ "$#" -gt 0 ] || { echo "usage: check-binary.sh BINARY..." >&2; exit 2; }
status=0
for binary in "$@"; do
  fail() { echo "check-binary: $binary: $*" >&2; status=1; }
  [ -f "$binary" ] || { fail "no such file"; continue; }
  dynamic=$(objdump -p "$binary")
  symbols=$(objdump -T "$binary")
  needed=$(awk '$1 == "NEEDED" {print $2}' <<<"$dynamic")
  while read -r lib; do
    [ -z "$lib" ] || [[ $lib =~ $allowed_needed ]] || fail "needs $lib"
  done <<<"$needed"
  # Versions required, from the version references (verneed) and symbols.
  versions=$( { awk '/^Version References:/ {on=1; next} on && NF == 4 {print $4}' <<<"$dynamic"
    grep -oE '\b(GLIBC|GLIBCXX|CXXABI)_[0-9.]+' <<<"$symbols"; } | sort -u)
  floor=2.0
  while read -r version; do
    [ -n "$version" ] || continue
    case $version in
      GLIBCXX_* | CXXABI_*) fail "needs $version" ;;
      GLIBC_PRIVATE) fail "needs GLIBC_PRIVATE" ;;
      GLIBC_[0-9]*)
        number=${version#GLIBC_}
        if [ "$(printf '%s\n' "$number" 2.17 | sort -V | tail -n 1)" != 2.17 ]; then
          fail "needs $version ($(grep -F "($version)" <<<"$symbols" | awk '{print $NF}' | paste -sd' '))"
        fi
        [ "$(printf '%s\n' "$number" "$floor" | sort -V | tail -n 1)" = "$number" ] && floor=$number
        ;;
    esac
  done <<<"$versions"
  # Defined dynamic symbols: section other than *UND*.
  exported=$(awk '$4 != "*UND*" && NF >= 6 {print $NF}' <<<"$symbols" | grep -E '^(SDL_|TTF_|FT_|FTC_|ft_|tt_|png_|mavrel_z_|inflate|deflate|crc32|adler32|zlib|gz)' || true)
  [ -z "$exported" ] && : || fail "exports $(echo $exported | cut -c1-200)"
  echo "check-binary: $binary: $(stat -c %s "$binary") bytes; NEEDED $(echo $needed); glibc floor $floor"
done
exit $status
