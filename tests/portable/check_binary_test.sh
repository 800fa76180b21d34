#!/usr/bin/env bash
# Checks scripts/portable/check-binary.sh on small programs built here, one
# rule broken each (and the same program with nothing broken), and that
# glibc-pins.h binds fcntl and the maths functions to their old versions.
# The programs start at their own _start, so that the machine's newer
# __libc_start_main does not hide what each case is about.
# Usage: check_binary_test.sh SOURCE_DIR
set -u
source_dir=$(cd "${1:-$(dirname "$0")/../..}" && pwd)
check=$source_dir/scripts/portable/check-binary.sh
pins=$source_dir/scripts/portable/glibc-pins.h
work=$(mktemp -d /tmp/mavrel-check-binary-XXXXXX)
trap 'rm -rf "$work"' EXIT
passed=0 failed=0

base='#include <fcntl.h>
#include <math.h>
#include <stdio.h>
#include <unistd.h>
volatile double x = 2.0;
void _start(void) { puts("x"); _exit(0); }'

# name | extra C code | compiler flags | expected status | expected message (grep -E)
cases=(
  "clean||-lc|0|NEEDED libc.so.6; glibc floor 2.2.5"
  "exported SDL function|void SDL_Init(void) {}|-rdynamic|1|exports SDL_Init"
  "exported FreeType function|int FT_Init_FreeType(void) { return 0; }|-rdynamic|1|exports FT_Init_FreeType"
  "exported SDL_ttf function|int TTF_Init(void) { return 0; }|-rdynamic|1|exports TTF_Init"
  "unlisted library|extern int FcInit(void); int (*p)(void) = FcInit;|-lfontconfig|1|needs libfontconfig.so.1"
  "allowed X libraries|extern void *XOpenDisplay(const char*); extern int XShmQueryExtension(void*); void *p = XOpenDisplay, *q = XShmQueryExtension;|-lX11 -lXext|0|NEEDED .*libX11.so.6.*libXext.so.6"
  "newer fcntl|int f(void) { return fcntl(0, F_GETFD); }|-D_FILE_OFFSET_BITS=64|1|needs GLIBC_2.28 \\(fcntl64\\)"
  "pinned fcntl|int f(void) { return fcntl(0, F_GETFD); }|-D_FILE_OFFSET_BITS=64 -include $pins|0|glibc floor 2.2.5"
  "newer maths|double f(void) { return exp(x) + log(x) + pow(x, x); }|-lm|1|needs GLIBC_2.29"
  "pinned maths|double f(void) { return exp(x) + log(x) + pow(x, x) + expf(x) + logf(x) + powf(x, x); }|-lm -include $pins|0|glibc floor 2.2.5"
)
cc_base=(cc -O0 -fno-builtin -nostartfiles -o)

for entry in "${cases[@]}"; do
  IFS='|' read -r name code flags want_status want_message <<<"$entry"
  file=$work/$(echo "$name" | tr ' ' _)
  printf '%s\n%s\n' "$base" "$code" >"$file.c"
  # shellcheck disable=SC2086
  if ! "${cc_base[@]}" "$file" "$file.c" $flags 2>"$file.cc"; then
    echo "FAIL: $name: does not compile: $(head -c 300 "$file.cc")"
    failed=$((failed + 1))
    continue
  fi
  "$check" "$file" >"$file.out" 2>&1
  status=$?
  if [ "$status" = "$want_status" ] && grep -qE "$want_message" "$file.out"; then
    passed=$((passed + 1))
  else
    echo "FAIL: $name: status $status (want $want_status), output:"
    sed 's/^/  /' "$file.out"
    failed=$((failed + 1))
  fi
done

# No file and no argument are failures too.
"$check" "$work/none" >/dev/null 2>&1 && { echo "FAIL: a missing file passes"; failed=$((failed + 1)); } || passed=$((passed + 1))
"$check" >/dev/null 2>&1 && { echo "FAIL: no argument passes"; failed=$((failed + 1)); } || passed=$((passed + 1))

echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
