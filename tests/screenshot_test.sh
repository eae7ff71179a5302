#!/usr/bin/env bash
# The real window under Xvfb: the captured window has the designed client size, 411 x 544.
set -euo pipefail
out=$(mktemp /tmp/bpconf-window.XXXXXX.png)
trap 'rm -f "$out"' EXIT
size=$("$1/scripts/screenshot" "$out" "$2")
echo "captured $size"
[ "$size" = "411x544" ]
