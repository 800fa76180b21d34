# shellcheck shell=bash
# Shared by the shell tests (sourced, not run): a failed check is counted
# and said, and the test ends with the count.
#
# fail MESSAGE...   counts a failed check and prints it
# finish WHAT       exits 1 with the count of failed checks, or says that
#                   every check of WHAT passed and exits 0
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
finish() {
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
  fi
  echo "all $1 checks passed"
  exit 0
}
