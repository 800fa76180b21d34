#!/bin/sh
# Started by the demo's "Say hello" button, in this folder.
echo "Hello from the Mavrel demo medium (running in $(pwd))"
