#!/usr/bin/env bash
# Checks publishing from the outside, from the kit to a signed image, with a
# throw-away code-signing certificate made here (its key under a
# passphrase) and the i686 Windows programs:
#   - make-kit.sh --sign-cert/--sign-key signs the kit's Mavrel.exe,
#     mavrel-inspect.exe and placeholder setup/setup.exe (SHA-256,
#     osslsigncode verify), and the build's programs stay as they were;
#   - mavrel-inspect image of an unsigned kit with the same options: both
#     Mavrel programs in the image verify, setup/setup.exe (the author's
#     installer's place) goes in as it is, the kit's own files are
#     unchanged, two runs with one SOURCE_DATE_EPOCH give the same bytes;
#   - --timestamp reaches a local RFC 3161 server (openssl ts behind a small
#     HTTP server), and the signatures carry its timestamp;
#   - a wrong passphrase, a program that is no Windows program and a run
#     ended by SIGTERM leave no image, no half image and no signed copy.
# Prints osslsigncode verify's output for the image's Mavrel.exe.
# Usage: image_publish_test.sh INSPECT SOURCE_DIR WINDOWS_DIR
# Exits 77 (skipped) without the Windows build or osslsigncode.
set -u
inspect=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
source_dir=$(cd "$2" && pwd)
windows=${3:-}
if [ -z "$windows" ] || [ ! -f "$windows/Mavrel.exe" ]; then
  echo "skipped: no i686 Windows build given"
  exit 77
fi
for tool in osslsigncode openssl xorriso python3; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d /tmp/mavrel-publish-test-XXXXXX)
tsa_pid=
cleanup() {
  [ -z "$tsa_pid" ] || kill "$tsa_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
# shellcheck source-path=SCRIPTDIR source=../common/checks.sh
. "$(dirname "$0")/../common/checks.sh"
# Signed copies are made under TMPDIR: a private one shows what is left.
export TMPDIR=$work/tmp
mkdir -p "$TMPDIR"

# The throw-away publisher: a self-signed code-signing certificate.
export MAVREL_TEST_PASS=throw-away-secret
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -subj "/CN=Mavrel Test Publisher" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" \
  -passout env:MAVREL_TEST_PASS 2>/dev/null || { echo "FAIL: openssl made no certificate"; exit 1; }
sign=(--sign-cert "$work/cert.pem" --sign-key "$work/key.pem" --sign-pass-env MAVREL_TEST_PASS)

# verify FILE LABEL [OPTIONS]: the file carries a SHA-256 Authenticode
# signature by the throw-away publisher; its output stays in $work/LABEL.verify.
verify() {
  local file=$1 label=$2
  shift 2
  if ! osslsigncode verify -CAfile "$work/cert.pem" "$@" "$file" >"$work/$label.verify" 2>&1; then
    fail "$label: osslsigncode verify fails: $(tail -n 5 "$work/$label.verify")"
  elif ! grep -q 'Message digest algorithm *: SHA256' "$work/$label.verify" ||
    ! grep -q 'Subject: /CN=Mavrel Test Publisher' "$work/$label.verify" ||
    ! grep -q 'Signature verification: ok' "$work/$label.verify"; then
    fail "$label: not a SHA-256 signature by the test publisher: $(cat "$work/$label.verify")"
  fi
}
# extract IMAGE FOLDER: the image's Rock Ridge tree.
extract() {
  rm -rf "$2"
  xorriso -osirrox on -indev "$1" -extract / "$2" >/dev/null 2>&1 || fail "xorriso cannot read $1"
}
sums() { (cd "$1" && find . -type f -exec sha256sum {} + | LC_ALL=C sort -k2); }

# The kit, from this build's programs: the i686 Windows ones, this
# mavrel-inspect, and a stand-in launcher.
mkdir -p "$work/linux"
cp "$inspect" "$work/linux/mavrel-inspect"
printf '#!/bin/sh\necho launcher stand-in\n' >"$work/linux/mavrel"
chmod 755 "$work/linux/mavrel"
build_programs=("$windows/Mavrel.exe" "$windows/tools/mavrel-inspect.exe"
  "$windows/starter/setup/setup.exe")
build_sums=$(sha256sum "${build_programs[@]}")
osslsigncode verify "$windows/Mavrel.exe" >/dev/null 2>&1 && fail "the build's Mavrel.exe is signed already"

bash "$source_dir/scripts/make-kit.sh" --windows "$windows" --linux "$work/linux" \
  --out "$work/signed-kit" "${sign[@]}" >"$work/kit.out" 2>&1 ||
  fail "make-kit.sh with signing: status $?: $(cat "$work/kit.out")"
kit=$(find "$work/signed-kit" -mindepth 1 -maxdepth 1 -type d -name 'mavrel-kit-*')
for exe in Mavrel.exe mavrel-inspect.exe setup/setup.exe; do
  verify "$kit/$exe" "kit-$(basename "$exe")"
done
[ "$(sha256sum "${build_programs[@]}")" = "$build_sums" ] ||
  fail "make-kit.sh changed the build's programs"
cmp -s "$kit/Mavrel.INI" "$source_dir/kit/starter/Mavrel.INI" || fail "the signed kit's Mavrel.INI differs"
bash "$source_dir/scripts/make-kit.sh" --windows "$windows" --linux "$work/linux" \
  --out "$work/refused" --sign-key "$work/key.pem" >/dev/null 2>&1
[ $? -eq 2 ] || fail "make-kit.sh --sign-key alone: status not 2"
[ ! -e "$work/refused" ] || [ -z "$(ls -A "$work/refused")" ] || fail "make-kit.sh refused but left a kit"

# From an unsigned kit to a signed image, with the kit's own mavrel-inspect.
bash "$source_dir/scripts/make-kit.sh" --windows "$windows" --linux "$work/linux" \
  --out "$work/kit" >/dev/null 2>&1 || fail "make-kit.sh: status $?"
kit=$(find "$work/kit" -mindepth 1 -maxdepth 1 -type d -name 'mavrel-kit-*')
kit_sums=$(sums "$kit")
for run in 1 2; do
  SOURCE_DATE_EPOCH=1700000000 "$kit/mavrel-inspect" image "$kit" -o "$work/signed-$run.iso" \
    "${sign[@]}" >"$work/image-$run.out" 2>&1 ||
    fail "image with signing, run $run: status $?: $(cat "$work/image-$run.out")"
done
grep -q 'label PRODUCT_SETUP, Mavrel.exe and mavrel-inspect.exe signed' "$work/image-1.out" ||
  fail "the image does not say what it signed: $(cat "$work/image-1.out")"
cmp -s "$work/signed-1.iso" "$work/signed-2.iso" ||
  fail "two signed images with one SOURCE_DATE_EPOCH differ"
[ "$(sums "$kit")" = "$kit_sums" ] || fail "signing changed the kit's own files"
osslsigncode verify "$kit/Mavrel.exe" >/dev/null 2>&1 && fail "the kit's Mavrel.exe got signed"
extract "$work/signed-1.iso" "$work/view"
for exe in Mavrel.exe mavrel-inspect.exe; do
  verify "$work/view/$exe" "image-$exe"
done
cmp -s "$work/view/setup/setup.exe" "$kit/setup/setup.exe" ||
  fail "the image's setup/setup.exe is not the kit's as it is"
echo "osslsigncode verify of the image's Mavrel.exe:"
sed 's/^/  /' "$work/image-Mavrel.exe.verify"
[ -z "$(ls -A "$TMPDIR")" ] || fail "signed copies left in TMPDIR: $(ls -A "$TMPDIR")"

# A timestamp from a local RFC 3161 server.
mkdir "$work/tsa"
cat >"$work/tsa/tsa.cnf" <<'CNF'
[ req ]
distinguished_name = dn
[ dn ]
[ tsa_ext ]
basicConstraints = CA:false
keyUsage = critical, digitalSignature
extendedKeyUsage = critical, timeStamping
[ tsa ]
default_tsa = local
[ local ]
serial = ./serial
crypto_device = builtin
signer_cert = ./tsa.pem
signer_key = ./tsa.key
signer_digest = sha256
default_policy = 1.2.3.4.1
digests = sha256
accuracy = secs:1
ess_cert_id_alg = sha256
CNF
echo 01 >"$work/tsa/serial"
(cd "$work/tsa" && openssl req -x509 -newkey rsa:2048 -nodes -keyout tsa.key -out tsa.pem -days 2 \
  -subj /CN=TestTSA -config tsa.cnf -extensions tsa_ext >/dev/null 2>&1) || fail "no TSA certificate"
python3 - "$work/tsa" <<'PY' &
import http.server, os, subprocess, sys
folder = sys.argv[1]
class Tsa(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers["Content-Length"]))
        reply = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile",
                                "/dev/stdin", "-out", "/dev/stdout"], input=query,
                               capture_output=True, cwd=folder).stdout
        self.send_response(200 if reply else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)
    def log_message(self, *args):
        pass
server = http.server.HTTPServer(("127.0.0.1", 0), Tsa)
with open(os.path.join(folder, "port.partial"), "w") as f:
    f.write(str(server.server_port))
os.replace(os.path.join(folder, "port.partial"), os.path.join(folder, "port"))
server.serve_forever()
PY
tsa_pid=$!
for _ in $(seq 50); do [ -s "$work/tsa/port" ] && break; sleep 0.1; done
"$kit/mavrel-inspect" image "$kit" -o "$work/stamped.iso" "${sign[@]}" \
  --timestamp "http://127.0.0.1:$(cat "$work/tsa/port")/" >"$work/stamped.out" 2>&1 ||
  fail "image with --timestamp: status $?: $(cat "$work/stamped.out")"
extract "$work/stamped.iso" "$work/stamped"
verify "$work/stamped/Mavrel.exe" stamped -TSA-CAfile "$work/tsa/tsa.pem"
grep -q 'Timestamp Server Signature verification: ok' "$work/stamped.verify" ||
  fail "the signature carries no verified timestamp: $(cat "$work/stamped.verify")"

# refused LABEL PATTERN ARGS...: status 1, the message, nothing left.
refused() {
  local label=$1 pattern=$2
  shift 2
  rm -rf "$work/out" && mkdir "$work/out"
  "$kit/mavrel-inspect" image "$@" -o "$work/out/refused.iso" >"$work/refused.out" 2>&1
  local status=$?
  [ "$status" -eq 1 ] || fail "$label: status $status, not 1"
  grep -q "$pattern" "$work/refused.out" || fail "$label: no '$pattern': $(cat "$work/refused.out")"
  [ -z "$(ls -A "$work/out")" ] || fail "$label: left $(ls -A "$work/out")"
  [ -z "$(ls -A "$TMPDIR")" ] || fail "$label: left $(ls -A "$TMPDIR") in TMPDIR"
}
MAVREL_TEST_PASS=wrong refused "wrong passphrase" "could not sign Mavrel.exe" "$kit" "${sign[@]}" </dev/null
cp -r "$kit" "$work/not-windows"
echo "MZ, but no Windows program" >"$work/not-windows/Mavrel.exe"
refused "no Windows program" "could not sign Mavrel.exe" "$work/not-windows" "${sign[@]}"

# Ended half-way through a large medium: no image, no half image. (SIGINT
# would be ignored here: a script's background jobs start with it ignored,
# and the tool leaves an ignored signal so; the same handler serves both.)
cp -r "$kit" "$work/large"
truncate -s 1G "$work/large/data.bin"
rm -rf "$work/out" && mkdir "$work/out"
"$kit/mavrel-inspect" image "$work/large" -o "$work/out/large.iso" >"$work/large.out" 2>&1 &
writer=$!
# Ended at its first progress line (a tenth written).
for _ in $(seq 400); do
  grep -q '% of' "$work/large.out" && break
  sleep 0.05
done
[ -n "$(ls -A "$work/out")" ] || fail "interrupted: no half image was being written"
kill -TERM "$writer"
wait "$writer"
status=$?
[ "$status" -eq 143 ] || fail "interrupted: status $status, not 143 (ended by SIGTERM): $(cat "$work/large.out")"
[ -z "$(ls -A "$work/out")" ] || fail "interrupted: left $(ls -A "$work/out")"

finish "publishing"
