#!/usr/bin/env bash
# Checks scripts/make-kit.sh from the outside: against stand-in programs,
# the kit folder holds exactly the kit's files with their modes and bytes,
# the zip holds the same, a second run replaces the first, and a missing or
# stale program stops it with a message and no kit. With real builds given,
# the kit is made from them too, its own mavrel-inspect reads its starter
# medium as expected and checks it clean, and (with PE_CHECK, the tests'
# mavrel-pe-check) its placeholder setup.exe is an i686 Windows program.
# Usage: make_kit_test.sh SOURCE_DIR VERSION [WINDOWS_DIR LAUNCHER INSPECT [PE_CHECK]]
set -u
source_dir=$(cd "$1" && pwd)
version=$2
make_kit=$source_dir/scripts/make-kit.sh
work=$(mktemp -d /tmp/mavrel-kit-test-XXXXXX)
trap 'rm -rf "$work"' EXIT
# shellcheck source-path=SCRIPTDIR source=../common/checks.sh
. "$(dirname "$0")/../common/checks.sh"

name=mavrel-kit-$version
# The kit's files and their modes, one "MODE PATH" a line.
expected_files="644 AUTHORING.md
644 Mavrel.INI
644 Mavrel.exe
644 autorun.inf
755 autorun.sh
755 mavrel
755 mavrel-inspect
644 mavrel-inspect.exe
644 readme.txt
755 setup/install.sh
644 setup/setup.exe
644 starter.bmp"

# Stand-ins: Windows programs that carry the version as their resource
# does, and Linux programs that are shell scripts.
# stub_exe FILE VERSION
stub_exe() {
  python3 -c 'import sys; open(sys.argv[1], "wb").write(b"MZ" + ("ProductVersion\0\0" + sys.argv[2] + "\0").encode("utf-16-le") + sys.argv[1].encode())' \
    "$1" "$2"
}
# stub_windows DIR VERSION
stub_windows() {
  mkdir -p "$1/tools" "$1/starter/setup"
  for exe in "$1/Mavrel.exe" "$1/tools/mavrel-inspect.exe" "$1/starter/setup/setup.exe"; do
    stub_exe "$exe" "$2"
  done
}
# stub_linux DIR VERSION
stub_linux() {
  mkdir -p "$1"
  printf '#!/bin/sh\necho launcher stand-in\n' >"$1/mavrel"
  # shellcheck disable=SC2016 # the stand-in's own $1
  printf '#!/bin/sh\n[ "$1" = --version ] && echo "mavrel-inspect %s"\n' "$2" >"$1/mavrel-inspect"
  chmod 755 "$1/mavrel" "$1/mavrel-inspect"
}

# check_kit OUT WINDOWS LINUX LABEL: the folder and the zip in OUT.
check_kit() {
  local out=$1 windows=$2 linux=$3 label=$4 kit=$1/$name
  [ -d "$kit" ] || { fail "$label: no folder $kit"; return; }
  [ -f "$out/$name.zip" ] || fail "$label: no $name.zip"
  local listed
  listed=$(cd "$kit" && find . -type f -printf '%m %P\n' | LC_ALL=C sort -k2)
  [ "$listed" = "$expected_files" ] || fail "$label: files differ:
$(diff <(echo "$expected_files") <(echo "$listed"))"
  [ -z "$(find "$out" -maxdepth 1 -name '.*partial*')" ] || fail "$label: partial output left in $out"
  # The bytes are those of their sources.
  local pair
  for pair in "Mavrel.exe=$windows/Mavrel.exe" "mavrel-inspect.exe=$windows/tools/mavrel-inspect.exe" \
    "mavrel=$linux/mavrel" "mavrel-inspect=$linux/mavrel-inspect" \
    "autorun.sh=$source_dir/kit/autorun.sh" "autorun.inf=$source_dir/kit/autorun.inf" \
    "Mavrel.INI=$source_dir/kit/starter/Mavrel.INI" "starter.bmp=$source_dir/kit/starter/starter.bmp" \
    "readme.txt=$source_dir/kit/starter/readme.txt" \
    "setup/install.sh=$source_dir/kit/starter/setup/install.sh" \
    "setup/setup.exe=$windows/starter/setup/setup.exe" \
    "AUTHORING.md=$source_dir/AUTHORING.md"; do
    cmp -s "$kit/${pair%%=*}" "${pair#*=}" || fail "$label: ${pair%%=*} is not ${pair#*=}"
  done
  # autorun.inf names programs of the kit, with Windows line ends.
  local entry file
  for entry in open icon; do
    file=$(sed -n "s/^$entry=\([^,\r]*\).*\r\$/\1/p" "$kit/autorun.inf")
    if [ -z "$file" ] || [ ! -f "$kit/$file" ]; then
      fail "$label: autorun.inf $entry='$file' is not in the kit"
    fi
  done
  grep -q '^label=.' "$kit/autorun.inf" || fail "$label: autorun.inf has no label"
  # The zip: the same files under the one folder, the same bytes and modes.
  python3 - "$out/$name.zip" "$kit" "$name" <<'PY' || fail "$label: the zip differs from the folder"
import os, sys, zipfile
zip_path, kit, name = sys.argv[1:]
ok = True
with zipfile.ZipFile(zip_path) as z:
    members = sorted(i.filename for i in z.infolist())
    files = sorted(os.path.join(name, os.path.relpath(os.path.join(d, f), kit))
                   for d, _, fs in os.walk(kit) for f in fs)
    if members != files:
        print("zip holds", members, "folder holds", files)
        ok = False
    for info in z.infolist():
        path = os.path.join(kit, os.path.relpath(info.filename, name))
        if not os.path.isfile(path):
            continue
        if z.read(info) != open(path, "rb").read():
            print("bytes differ:", info.filename)
            ok = False
        if (info.external_attr >> 16) & 0o777 != os.stat(path).st_mode & 0o777:
            print("mode differs:", info.filename, oct(info.external_attr >> 16))
            ok = False
sys.exit(0 if ok else 1)
PY
}

shellcheck_run() {
  if command -v shellcheck >/dev/null; then
    shellcheck "$make_kit" || fail "shellcheck make-kit.sh"
  else
    echo "note: shellcheck not installed, not run"
  fi
}
shellcheck_run

# From stand-ins, started from another folder.
stub_windows "$work/win" "$version"
stub_linux "$work/lin" "$version"
mkdir "$work/elsewhere"
(cd "$work/elsewhere" && bash "$make_kit" --windows "$work/win" --linux "$work/lin" \
  --out "$work/dist" >"$work/run.out" 2>&1) || fail "stand-ins: status $?: $(cat "$work/run.out")"
check_kit "$work/dist" "$work/win" "$work/lin" stand-ins

# Made again over the first: nothing of the old folder survives.
touch "$work/dist/$name/stale-file"
MAVREL_KIT_WINDOWS_DIR=$work/win MAVREL_KIT_LINUX_DIR=$work/lin MAVREL_KIT_OUT=$work/dist \
  bash "$make_kit" >"$work/again.out" 2>&1 || fail "second run: status $?: $(cat "$work/again.out")"
check_kit "$work/dist" "$work/win" "$work/lin" "second run"

# Refusals: a message naming the problem, status 1, no kit made.
# refuse LABEL PATTERN ARGS...
refuse() {
  local label=$1 pattern=$2
  shift 2
  rm -rf "$work/refused"
  bash "$make_kit" --out "$work/refused" "$@" >"$work/refuse.out" 2>&1
  local status=$?
  [ "$status" -eq 1 ] || fail "$label: status $status, not 1"
  grep -q "$pattern" "$work/refuse.out" || fail "$label: no message '$pattern': $(cat "$work/refuse.out")"
  [ -z "$(ls -A "$work/refused" 2>/dev/null)" ] || fail "$label: left $(ls -A "$work/refused")"
}
mkdir "$work/empty"
refuse "no portable launcher" "the portable Linux launcher is missing: $work/empty/mavrel" \
  --windows "$work/win" --linux "$work/empty"
refuse "no Windows launcher" "the Windows launcher (i686) is missing" \
  --windows "$work/empty" --linux "$work/lin"
stub_linux "$work/old-lin" 0.0.1
refuse "stale mavrel-inspect" "is \"mavrel-inspect 0.0.1\", not version $version" \
  --windows "$work/win" --linux "$work/old-lin"
stub_windows "$work/old-win" 0.0.1
refuse "stale Mavrel.exe" "Mavrel.exe carries no version $version resource" \
  --windows "$work/old-win" --linux "$work/lin"
# The placeholder installer is one of the Windows build's programs.
cp -r "$work/win" "$work/no-setup" && rm "$work/no-setup/starter/setup/setup.exe"
refuse "no placeholder installer" \
  "the starter's placeholder Windows installer (i686) is missing: $work/no-setup/starter/setup/setup.exe" \
  --windows "$work/no-setup" --linux "$work/lin"
cp -r "$work/win" "$work/old-setup" && stub_exe "$work/old-setup/starter/setup/setup.exe" 0.0.1
refuse "stale placeholder installer" "setup.exe carries no version $version resource" \
  --windows "$work/old-setup" --linux "$work/lin"
bash "$make_kit" --bogus >/dev/null 2>&1
[ $? -eq 2 ] || fail "unknown argument: status not 2"
# Signing options that do not hold together: status 2, no kit. (Signing
# itself is checked with real programs in tests/tools/image_publish_test.sh.)
touch "$work/cert.pem" "$work/key.pem"
for signing in "--sign-cert $work/cert.pem" "--sign-key $work/key.pem" \
  "--sign-cert $work/none.pem --sign-key $work/key.pem" "--timestamp http://tsa" \
  "--sign-cert $work/cert.pem --sign-key $work/key.pem --sign-pass-env MAVREL_TEST_UNSET"; do
  rm -rf "$work/refused"
  # shellcheck disable=SC2086 # the options are words
  bash "$make_kit" --windows "$work/win" --linux "$work/lin" --out "$work/refused" $signing \
    >"$work/refuse.out" 2>&1
  status=$?
  [ "$status" -eq 2 ] || fail "$signing: status $status, not 2: $(cat "$work/refuse.out")"
  [ -z "$(ls -A "$work/refused" 2>/dev/null)" ] || fail "$signing: left $(ls -A "$work/refused")"
done

# From the real builds, when given: the kit's own inspector reads its
# starter medium as the tests expect.
if [ $# -ge 5 ] && [ -f "$3/Mavrel.exe" ] && [ -x "$4" ] && [ -x "$5" ]; then
  mkdir "$work/real-lin"
  cp "$4" "$work/real-lin/mavrel"
  cp "$5" "$work/real-lin/mavrel-inspect"
  bash "$make_kit" --windows "$3" --linux "$work/real-lin" --out "$work/real" >"$work/real.out" 2>&1 ||
    fail "real builds: status $?: $(cat "$work/real.out")"
  check_kit "$work/real" "$3" "$work/real-lin" "real builds"
  kit=$work/real/$name
  [ -d "$kit" ] || exit 1
  sed "s|@SETTINGS_FILE@|$kit/Mavrel.INI|" "$source_dir/tests/tools/starter_linux.json" \
    >"$work/starter.expected"
  (cd "$kit" && ./mavrel-inspect >"$work/starter.out") || fail "kit's mavrel-inspect: status $?"
  cmp -s "$work/starter.expected" "$work/starter.out" ||
    fail "the kit's starter medium reads differently: $(diff "$work/starter.expected" "$work/starter.out" | head)"
  # The kit's own tool checks its starter medium clean on both platforms:
  # all it names is there, its placeholder installers included.
  (cd "$kit" && ./mavrel-inspect check >"$work/starter-check.out")
  status=$?
  [ "$status" -eq 0 ] || fail "kit's mavrel-inspect check of the starter: status $status, not 0"
  [ "$(cat "$work/starter-check.out")" = "Mavrel.INI: no findings" ] ||
    fail "the kit's check of its starter: $(cat "$work/starter-check.out")"
  # The placeholder is the i686 build's, a GUI program like Mavrel.exe.
  if [ $# -ge 6 ]; then
    "$6" --machine i686 --subsystem gui --manifest --version-info "$version" \
      "$kit/setup/setup.exe" >"$work/pe-check.out" 2>&1 ||
      fail "the kit's setup/setup.exe: $(grep FAILED "$work/pe-check.out")"
  else
    echo "note: no mavrel-pe-check given, the kit's setup.exe was compared with the build's only"
  fi
  # And the author's medium of the tests, with its mistakes, on both
  # platforms; its window is drawn without a display.
  author=$source_dir/tests/tools/author_medium
  "$kit/mavrel-inspect" check "$author" >"$work/author-check.out"
  status=$?
  [ "$status" -eq 1 ] || fail "kit's check of the author's medium: status $status, not 1"
  codes=$(sed -n 's/^.*Mavrel\.INI:\([0-9]*\): \([a-z]*\): \(on [A-Za-z]*: \)\{0,1\}.*\[\(M[0-9]*\)\]$/\1 \2 \3\4/p' \
    "$work/author-check.out" | paste -sd,)
  [ "$codes" = "1 note M401,32 error on Windows: M701,35 error on Linux: M707,62 error M601" ] ||
    fail "kit's check of the author's medium: $codes; $(cat "$work/author-check.out")"
  tail -n 1 "$work/author-check.out" | grep -qx ".*Mavrel.INI: 3 errors, 0 warnings, 1 note" ||
    fail "kit's check of the author's medium: no count line"
  env -u DISPLAY -u WAYLAND_DISPLAY "$kit/mavrel-inspect" render "$author" -o "$work/author.png" \
    >"$work/render.out" 2>&1 || fail "kit's render of the author's medium: $(cat "$work/render.out")"
  [ "$(head -c 8 "$work/author.png" 2>/dev/null | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] ||
    fail "kit's render of the author's medium wrote no PNG"
  env -u DISPLAY -u WAYLAND_DISPLAY "$kit/mavrel-inspect" render "$author" --hot Exit \
    -o "$work/exit.png" >"$work/render-exit.out" 2>&1
  status=$?
  [ "$status" -eq 1 ] && grep -q "wholly outside the 720 x 480 window" "$work/render-exit.out" ||
    fail "kit's render of the unreachable Exit button: status $status, $(cat "$work/render-exit.out")"
else
  echo "note: no real builds given, the kit was made from stand-ins only"
fi

finish "make-kit.sh"
