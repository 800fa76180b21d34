#!/usr/bin/env bash
# make-kit.sh: makes the medium kit, dist/mavrel-kit-VERSION/ and
# dist/mavrel-kit-VERSION.zip: the folder an author copies, as it is, to
# the root of a medium. VERSION is the one in project() of CMakeLists.txt.
#
#   make-kit.sh [--windows DIR] [--linux DIR] [--out DIR]
#               [--sign-cert CERT.pem --sign-key KEY.pem [--sign-pass-env VAR]
#                [--timestamp URL]]
#
#   --windows DIR  the i686 Windows build, holding Mavrel.exe,
#                  tools/mavrel-inspect.exe and the starter's placeholder
#                  installer starter/setup/setup.exe (default
#                  build/mingw-i686; or $MAVREL_KIT_WINDOWS_DIR)
#   --linux DIR    the portable Linux build's programs, mavrel and
#                  mavrel-inspect (default build/portable/bin, where
#                  scripts/portable/build-launcher.sh puts them; or
#                  $MAVREL_KIT_LINUX_DIR)
#   --out DIR      where the kit goes (default dist; or $MAVREL_KIT_OUT)
#   --sign-cert CERT.pem, --sign-key KEY.pem
#                  sign the kit's Windows programs, Mavrel.exe,
#                  mavrel-inspect.exe and setup/setup.exe (Authenticode,
#                  SHA-256, with osslsigncode), as mavrel-inspect image
#                  signs the first two; the builds stay unsigned
#   --sign-pass-env VAR  the key's passphrase is in the variable VAR
#   --timestamp URL      an RFC 3161 timestamp server for the signatures
#
# Nothing is built here: a missing program is an error that says which
# build makes it. The folder is put together beside its final place and
# renamed into it, so an interrupted run leaves no half kit behind.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
windows=${MAVREL_KIT_WINDOWS_DIR:-$root/build/mingw-i686}
linux=${MAVREL_KIT_LINUX_DIR:-$root/build/portable/bin}
out=${MAVREL_KIT_OUT:-$root/dist}

usage() { sed -n '2,29s/^# \{0,1\}//p' "$0"; }
sign_cert='' sign_key='' pass_env='' timestamp=''
while [ $# -gt 0 ]; do
  case $1 in
    --windows) windows=${2:?--windows needs a folder}; shift 2 ;;
    --linux) linux=${2:?--linux needs a folder}; shift 2 ;;
    --out) out=${2:?--out needs a folder}; shift 2 ;;
    --sign-cert) sign_cert=${2:?--sign-cert needs a file}; shift 2 ;;
    --sign-key) sign_key=${2:?--sign-key needs a file}; shift 2 ;;
    --sign-pass-env) pass_env=${2:?--sign-pass-env needs a variable}; shift 2 ;;
    --timestamp) timestamp=${2:?--timestamp needs a URL}; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    *) echo "make-kit.sh: unknown argument \"$1\"" >&2; usage >&2; exit 2 ;;
  esac
done
bad_usage() {
  echo "make-kit.sh: $*" >&2
  usage >&2
  exit 2
}
if [ -n "$sign_cert$sign_key" ]; then
  if [ -z "$sign_cert" ] || [ -z "$sign_key" ]; then
    bad_usage "--sign-cert and --sign-key go together"
  fi
  for file in "$sign_cert" "$sign_key"; do
    if [ ! -f "$file" ] || [ ! -r "$file" ]; then bad_usage "cannot read \"$file\""; fi
  done
  if [ -n "$pass_env" ]; then
    [ -n "${!pass_env+set}" ] || bad_usage "the environment variable $pass_env is not set"
  fi
  command -v osslsigncode >/dev/null ||
    { echo "make-kit.sh: osslsigncode is not installed (apt-get install osslsigncode)" >&2; exit 1; }
elif [ -n "$pass_env$timestamp" ]; then
  bad_usage "--sign-pass-env and --timestamp need --sign-cert and --sign-key"
fi

die() {
  echo "make-kit.sh: $*" >&2
  exit 1
}

version=$(sed -n 's/^project(Mavrel VERSION \([0-9][0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
[ -n "$version" ] || die "no version in project() of $root/CMakeLists.txt"

# need FILE WHAT HOW: FILE must be a regular file; else say how to make it.
need() {
  [ -f "$1" ] || die "$2 is missing: $1
  $3"
}
need "$windows/Mavrel.exe" "the Windows launcher (i686)" \
  "Build it: cmake -S . -B build/mingw-i686 -DCMAKE_TOOLCHAIN_FILE=\$PWD/cmake/toolchain-mingw-i686.cmake -DCMAKE_BUILD_TYPE=MinSizeRel && cmake --build build/mingw-i686, or pass --windows DIR."
need "$windows/tools/mavrel-inspect.exe" "mavrel-inspect.exe (i686)" \
  "It is built with Mavrel.exe in the same build folder; or pass --windows DIR."
need "$windows/starter/setup/setup.exe" "the starter's placeholder Windows installer (i686)" \
  "It is built with Mavrel.exe in the same build folder; or pass --windows DIR."
need "$linux/mavrel" "the portable Linux launcher" \
  "Build it: bash scripts/portable/build-launcher.sh, or pass --linux DIR holding mavrel and mavrel-inspect."
need "$linux/mavrel-inspect" "the portable mavrel-inspect" \
  "It is built with the portable launcher; or pass --linux DIR."

# A build left over from another version would ship the wrong programs.
inspect_version=$("$linux/mavrel-inspect" --version 2>/dev/null) ||
  die "$linux/mavrel-inspect --version failed: is it a Linux x86_64 program?"
[ "$inspect_version" = "mavrel-inspect $version" ] ||
  die "$linux/mavrel-inspect is \"$inspect_version\", not version $version: rebuild it"
windows_programs=("$windows/Mavrel.exe" "$windows/tools/mavrel-inspect.exe"
  "$windows/starter/setup/setup.exe")
for exe in "${windows_programs[@]}"; do
  # The version resource holds "ProductVersion" and the version as UTF-16
  # texts, with zero padding between them.
  python3 - "$exe" "$version" <<'PY' || die "$exe carries no version $version resource: rebuild it"
import sys
data = open(sys.argv[1], "rb").read()
key = "ProductVersion\0".encode("utf-16-le")
value = (sys.argv[2] + "\0").encode("utf-16-le")
at = data.find(key)
while at >= 0:
    rest = data[at + len(key):]
    while rest[:2] == b"\0\0":
        rest = rest[2:]
    if rest.startswith(value):
        sys.exit(0)
    at = data.find(key, at + 1)
sys.exit(1)
PY
done

name=mavrel-kit-$version
mkdir -p "$out"
out=$(cd "$out" && pwd)
partial=$out/.$name.partial
rm -rf "$partial"
trap 'rm -rf "$partial"' EXIT
mkdir -p "$partial/setup"

starter=$root/kit/starter
install -m 755 "$linux/mavrel" "$linux/mavrel-inspect" "$root/kit/autorun.sh" "$partial/"
install -m 644 "$windows/Mavrel.exe" "$windows/tools/mavrel-inspect.exe" "$root/kit/autorun.inf" \
  "$starter/Mavrel.INI" "$starter/starter.bmp" "$starter/readme.txt" "$root/AUTHORING.md" \
  "$partial/"
install -m 755 "$starter/setup/install.sh" "$partial/setup/"
install -m 644 "$windows/starter/setup/setup.exe" "$partial/setup/"

# The kit's Windows programs signed, the placeholder installer too: it is
# ours, and an unsigned program from a download is what SmartScreen warns
# about. The build's own stay as they are. The passphrase goes through a
# pipe, not the command line.
if [ -n "$sign_cert" ]; then
  sign=(osslsigncode sign -certs "$sign_cert" -key "$sign_key" -h sha256)
  [ -z "$pass_env" ] || sign+=(-readpass /dev/stdin)
  if [ -n "$timestamp" ]; then
    sign+=(-ts "$timestamp")
  elif [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    sign+=(-time "$SOURCE_DATE_EPOCH")
  fi
  for exe in "${windows_programs[@]}"; do
    # Where it is in the kit: setup/setup.exe, or the kit's root.
    program=${exe#"$windows/starter/"}
    [ "$program" != "$exe" ] || program=$(basename "$exe")
    printf '%s\n' "${pass_env:+${!pass_env}}" |
      "${sign[@]}" -in "$exe" -out "$partial/$program.signed" >/dev/null ||
      die "osslsigncode could not sign $program"
    mv "$partial/$program.signed" "$partial/$program"
    chmod 644 "$partial/$program"
  done
fi

rm -rf "${out:?}/$name" "$out/$name.zip"
mv "$partial" "$out/$name"
# The zip keeps the execute bits; it holds the one folder.
(cd "$out" && python3 - "$name" <<'PY')
import os, sys, zipfile
name = sys.argv[1]
with zipfile.ZipFile(name + ".zip.partial", "w", zipfile.ZIP_DEFLATED) as z:
    for folder, dirs, files in os.walk(name):
        dirs.sort()
        for f in sorted(files):
            path = os.path.join(folder, f)
            info = zipfile.ZipInfo.from_file(path)  # with the file's mode
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as data:
                z.writestr(info, data.read())
os.replace(name + ".zip.partial", name + ".zip")
PY
echo "make-kit.sh: $out/$name/ and $out/$name.zip ($(find "$out/$name" -type f | wc -l) files)"
