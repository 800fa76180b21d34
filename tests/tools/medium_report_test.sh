#!/usr/bin/env bash
# Checks mavrel-inspect from the outside: the demo medium, a folder without
# settings, a medium with hostile texts and numbers, a lower-case settings
# file name, the starter medium of the kit as each platform reads it, a bad
# folder, --help and --version.
# Usage: medium_report_test.sh INSPECT SOURCE_DIR VERSION
set -u
inspect=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$(cd "$2" && pwd)
version=$3
here=$source_dir/tests/tools
work=$(mktemp -d /tmp/mavrel-inspect-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=../common/checks.sh
. "$(dirname "$0")/../common/checks.sh"

# Compares the output for folder $1 with the expected file $2, in which
# @SETTINGS_FILE@ stands for the folder's settings file path; options after
# the name $3 go before the folder.
check_output() {
  local folder=$1 expected=$2 name=$3
  shift 3
  local real
  real=$(cd "$folder" && pwd -P)
  sed "s|@SETTINGS_FILE@|$real/Mavrel.INI|" "$expected" >"$work/$name.expected"
  if ! "$inspect" "$@" "$folder" >"$work/$name.out" 2>"$work/$name.err"; then
    fail "$name: exit status $?"
  fi
  if ! cmp -s "$work/$name.expected" "$work/$name.out"; then
    fail "$name: output differs"
    diff -u "$work/$name.expected" "$work/$name.out" | head -40
  fi
  if [ -s "$work/$name.err" ]; then
    fail "$name: wrote to standard error"
  fi
  if command -v python3 >/dev/null && ! python3 -m json.tool "$work/$name.out" >/dev/null; then
    fail "$name: not valid JSON"
  fi
}

check_output "$source_dir/examples/demo" "$here/demo.json" demo

mkdir "$work/empty"
check_output "$work/empty" "$here/empty.json" empty

# Without an argument the current folder is read.
(cd "$work/empty" && "$inspect" >"$work/cwd.out") || fail "no argument: exit status $?"
cmp -s "$work/empty.out" "$work/cwd.out" || fail "no argument: output differs from the folder's"

mkdir "$work/hostile"
{
  printf '[Main]\r\n'
  printf 'Width=0x7FFFFFFF\r\n'
  printf 'Height=-2147483649\r\n'
  printf 'Title=Q"x"\\\\B\\nL\001\177\351x\200\201\303\251\302\205\355\240\200\r\n'
  printf 'Background="pics\\back.bmp"\r\n'
  printf 'Button.0=Sec\\New\r\n'
  printf 'Button.1=twin\r\n'
  printf 'Button.2=TWIN\r\n'
  printf 'Button.4=Unreached\r\n'
  printf 'TEXT_COLOR=0377\r\n'
  printf 'DESC_LOC.X=5\r\n'
  printf 'DESC_LOC.Y=  -12px\r\n'
  printf 'EXIT_COMMAND=\r\n'
  printf 'ERROR_MSG=Tab\there\r\n'
  printf '[Twin]\n'
  printf 'BUTTON_TEXT=Two\\\\\\nlines\n'
  printf 'DESC_LOC.X=08\n'
  printf 'TEXT_COLOR=\n'
  printf 'PROG_COMMAND=setup\\setup.exe /q\n'
  printf 'EXIT_COMMAND=stay\n'
} >"$work/hostile/mavrel.ini"
check_output "$work/hostile" "$here/hostile.json" hostile
"$inspect" "$work/hostile" >"$work/again.out"
cmp -s "$work/hostile.out" "$work/again.out" || fail "two runs differ"

# One medium for both platforms: [NAME.Linux] over [NAME] for linux only,
# and linux is what this build shows by default.
check_output "$source_dir/kit/starter" "$here/starter_linux.json" starter-linux --platform linux
check_output "$source_dir/kit/starter" "$here/starter_windows.json" starter-windows \
  --platform windows
"$inspect" "$source_dir/kit/starter" >"$work/starter-default.out"
cmp -s "$work/starter-linux.out" "$work/starter-default.out" ||
  fail "default platform: output differs from --platform linux"
cmp -s "$work/starter-linux.out" "$work/starter-windows.out" &&
  fail "--platform: linux and windows read the starter medium alike"
for bad in "--platform macos" "--platform" "--platform Linux"; do
  # shellcheck disable=SC2086
  "$inspect" $bad "$source_dir/kit/starter" >"$work/bad.out" 2>"$work/bad.err"
  status=$?
  [ "$status" -eq 2 ] || fail "'$bad': exit status $status, not 2"
  [ -s "$work/bad.out" ] && fail "'$bad': wrote to standard output"
  grep -q "platform takes linux or windows" "$work/bad.err" || fail "'$bad': no message"
done

# A bad folder: a message on standard error, nothing on standard output.
for bad in "$work/missing" "$work/hostile/mavrel.ini" ""; do
  "$inspect" "$bad" >"$work/bad.out" 2>"$work/bad.err"
  status=$?
  [ "$status" -eq 2 ] || fail "bad folder '$bad': exit status $status, not 2"
  [ -s "$work/bad.out" ] && fail "bad folder '$bad': wrote to standard output"
  grep -q "cannot enter the directory" "$work/bad.err" || fail "bad folder '$bad': no message"
done
"$inspect" one two >/dev/null 2>&1
[ $? -eq 2 ] || fail "two folders: exit status not 2"
"$inspect" --bogus >/dev/null 2>&1
[ $? -eq 2 ] || fail "unknown option: exit status not 2"

"$inspect" --help >"$work/help.out" 2>&1 || fail "--help: exit status $?"
grep -q "Usage: mavrel-inspect \[--platform linux|windows\] \[DIRECTORY\]" "$work/help.out" ||
  fail "--help: no usage line"
grep -q "JSON" "$work/help.out" || fail "--help: does not say what it prints"
grep -q "mavrel-inspect render \[DIRECTORY\] -o FILE.png" "$work/help.out" ||
  fail "--help: no usage line of render"
# A build without render says so; one with it explains it.
if ! grep -q "render is not built into this" "$work/help.out"; then
  "$inspect" render --help >"$work/render-help.out" 2>&1 || fail "render --help: exit status $?"
  grep -q "No display is" "$work/render-help.out" ||
    fail "render --help: does not say that no display is needed"
  # Where the launcher would end with its font message, render says so on
  # standard error (no box opens, whatever display there is) and writes nothing.
  printf '<?xml version="1.0"?>\n<fontconfig><cachedir>%s</cachedir></fontconfig>\n' \
    "$work/font-cache" >"$work/fonts.conf"
  FONTCONFIG_FILE=$work/fonts.conf "$inspect" render "$source_dir/examples/demo" \
    -o "$work/nofont.png" >"$work/nofont.out" 2>"$work/nofont.err"
  status=$?
  [ "$status" -eq 1 ] || fail "render without fonts: exit status $status, not 1"
  grep -q "INTERNAL ERROR: Failed to load font." "$work/nofont.err" ||
    fail "render without fonts: no font message"
  [ -e "$work/nofont.png" ] && fail "render without fonts: wrote a picture"
  # A scale that is no number is refused (the scaled pictures themselves are
  # compared with the launcher's windows in desktop_compositor_test.cpp).
  for bad in x 0 -2 2x; do
    "$inspect" render "$source_dir/examples/demo" -o "$work/bad.png" --scale "$bad" \
      >/dev/null 2>"$work/bad.err"
    status=$?
    [ "$status" -eq 2 ] || fail "render --scale $bad: exit status $status, not 2"
  done
fi

# check from the outside: the demo is clean and says so in its count line;
# the kit's starter, as the sources hold it, lacks only its placeholder
# Windows installer, which make-kit.sh takes from the Windows build: with a
# stand-in for it the starter is clean; one platform's reading alone on
# request.
"$inspect" check "$source_dir/examples/demo" >"$work/check-demo.out" || fail "check demo: status $?"
[ "$(cat "$work/check-demo.out")" = "$source_dir/examples/demo/Mavrel.INI: no findings" ] ||
  fail "check demo: $(cat "$work/check-demo.out")"
"$inspect" check "$source_dir/kit/starter" >"$work/check-starter.out"
[ $? -eq 1 ] || fail "check starter: status not 1"
grep -q "^.*Mavrel.INI:[0-9]*: error: on Windows: the program of \[Install\] is not on the medium: Windows looked for setup/setup.exe in the medium's folder \[M701\]$" \
  "$work/check-starter.out" || fail "check starter: no finding for setup.exe: $(cat "$work/check-starter.out")"
[ "$(tail -n 1 "$work/check-starter.out")" = "$source_dir/kit/starter/Mavrel.INI: 1 error, 0 warnings" ] ||
  fail "check starter: $(cat "$work/check-starter.out")"
cp -r "$source_dir/kit/starter" "$work/starter"
printf 'MZ' >"$work/starter/setup/setup.exe"
"$inspect" check "$work/starter" >"$work/check-starter-placeholder.out" ||
  fail "check starter with setup.exe: status $?"
[ "$(cat "$work/check-starter-placeholder.out")" = "$work/starter/Mavrel.INI: no findings" ] ||
  fail "check starter with setup.exe: $(cat "$work/check-starter-placeholder.out")"
"$inspect" check --platform linux "$source_dir/kit/starter" >"$work/check-starter-linux.out" ||
  fail "check --platform linux starter: status $?"
"$inspect" check --help | grep -q -- "--platform windows|linux" || fail "check --help: no --platform"

# The one version number, set in the top CMakeLists.txt.
"$inspect" --version >"$work/version.out" 2>&1 || fail "--version: exit status $?"
[ "$(cat "$work/version.out")" = "mavrel-inspect $version" ] ||
  fail "--version: '$(cat "$work/version.out")', not 'mavrel-inspect $version'"

finish "mavrel-inspect"
