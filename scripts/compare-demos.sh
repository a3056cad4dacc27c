#!/usr/bin/env bash
# The Linux and the Windows emulator give the same answers: runs the demo of each build
# (scripts/demo.sh, scripts/demo-windows.sh under wine) and compares what their navigators
# answered: the geocoded position of the Dom, the planned route's length, time and point
# count, and its end. Exits 1, showing both answers, where they differ.
set -euo pipefail
cd "$(dirname "$0")/.."
unset OXSDK_DEVICE_ROOT OXSDK_DEMO_HTTP  # each demo on a fresh temporary device

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The answers of one demo's transcript, one a line: "call: answer".
answers() {
    tr -d '\r' <"$1" | sed -n \
        -e 's/^[0-9]* *\(Geocode [^ ].*[^ ]\) \+0 \+0 .* ok   *\(.* at .*\)$/\1: \2/p' \
        -e 's/^[0-9]* *\(GetRouteInfo\) .* ok   *\([0-9.]* km, [0-9]* min planned\),.*, \([0-9]* points\)$/\1: \2, \3/p' \
        -e 's/^[0-9]* *\(GetRouteCoordinates\) .* ok   *\([0-9]* points\) from .* to \(.*\)$/\1: \2 to \3/p'
}

status=0
bash scripts/demo.sh >"$work/linux.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/linux.txt"; echo "compare-demos: the Linux demo failed" >&2; exit 1; }
bash scripts/demo-windows.sh >"$work/windows.txt" 2>&1 || status=$?
[ "$status" -eq 0 ] || { cat "$work/windows.txt"; echo "compare-demos: the Windows demo failed" >&2; exit 1; }
answers "$work/linux.txt" >"$work/linux.answers"
answers "$work/windows.txt" >"$work/windows.answers"

if [ "$(wc -l <"$work/linux.answers")" -ne 3 ]; then
    cat "$work/linux.txt"
    echo "compare-demos: the Linux demo's transcript lacks an answer" >&2
    exit 1
fi
if ! diff -u --label linux --label windows "$work/linux.answers" "$work/windows.answers"; then
    echo "compare-demos: the Windows emulator answers differently" >&2
    exit 1
fi
sed 's/^/same on both: /' "$work/linux.answers"
