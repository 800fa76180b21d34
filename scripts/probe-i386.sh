#!/usr/bin/env bash
# Tells whether this machine runs 32-bit x86 programs, by running one: a
# 93-byte static i386 ELF that only exits with status 42. Some kernels are
# built without 32-bit emulation, and there any i386 program fails with
# "Exec format error"; the kernel's version or configuration would only be a
# guess. No compiler or binutils is needed.
#
# Exit status 0 when it runs; 1 otherwise, with the reason on stdout in one
# line. Any argument names a file to write the result into as well: empty
# when 32-bit programs run, else the reason.
set -u
out=${1:-}
dir=$(mktemp -d "${TMPDIR:-/tmp}/mavrel-i386.XXXXXX") || exit 1
trap 'rm -rf "$dir"' EXIT
prog=$dir/exit42

# ELF header (52 bytes), one PT_LOAD program header (32 bytes) loading the
# whole file at 0x08048000, then the code at 0x08048054:
#   xor ebx,ebx; mov bl,42; xor eax,eax; inc eax; int 0x80   (exit(42))
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$prog"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$prog"
printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$prog"
printf '\000\000\000\000' >>"$prog"
printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$prog"
printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$prog"
printf '\061\333\263\052\061\300\100\315\200' >>"$prog"
chmod 755 "$prog"

err=$("$prog" 2>&1)
status=$?
if [ "$status" -eq 42 ]; then
  reason=""
else
  case $err in
    *"Exec format error"*) why="Exec format error" ;;
    *) why="status $status${err:+: ${err##*: }}" ;;
  esac
  reason="this machine runs no 32-bit x86 program (a 93-byte i386 program gave: $why)"
fi
[ -n "$out" ] && { mkdir -p "$(dirname "$out")" && printf '%s' "$reason" >"$out"; }
[ -z "$reason" ] && exit 0
echo "$reason"
exit 1
