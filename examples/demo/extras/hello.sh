#!/bin/sh
# Started by the demo's "Say hello" button, in this folder. It only greets:
# in a small window when xmessage is there, else on the launcher's output.
greeting="Hello from the Mavrel demo medium (running in $(pwd))"
echo "$greeting"
if command -v xmessage >/dev/null 2>&1 && [ -n "${DISPLAY:-}" ]; then
  xmessage -center -timeout 10 "$greeting" &
fi
