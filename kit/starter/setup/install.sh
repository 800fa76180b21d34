#!/bin/sh
# The starter medium's installer on Linux: the "Install the product" button
# runs it with sh, in this folder. Replace it with your product's installer;
# setup.exe beside it is the Windows one.
message="install.sh: replace this script with your product's installer (running in $(pwd))"
echo "$message"
if command -v xmessage >/dev/null 2>&1 && [ -n "${DISPLAY:-}" ]; then
  xmessage -center -timeout 10 "$message" &
fi
