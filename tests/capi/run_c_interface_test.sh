#!/usr/bin/env bash
# Installs the navigator emulator on a fresh device as "Ostrel Navigator.exe" and runs the C
# interface test there, which starts it through the library:
#   run_c_interface_test.sh TEST EMULATOR PLACES [WINE-RUN]   (WINE-RUN: the Windows build)
set -euo pipefail
test_program=$1 emulator=$2 places=$3 wine_run=${4:-}
root=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-c-test.XXXXXX")
trap 'pkill -f -- "$root" 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/Programs/data"
if [ -n "$wine_run" ]; then
    cp "$emulator" "$root/Programs/Ostrel Navigator.exe"
    cp "$places" "$root/Programs/data/places.csv"
    OXSDK_DEVICE_ROOT="Z:${root//\//\\}" "$wine_run" "$test_program"
else
    printf '#!/bin/sh\nexec "%s" --gazetteer "%s" --log "%s/navigator.log" "$@"\n' \
        "$emulator" "$places" "$root" >"$root/Programs/Ostrel Navigator.exe"
    chmod 755 "$root/Programs/Ostrel Navigator.exe"
    OXSDK_DEVICE_ROOT=$root "$test_program" || { cat "$root/navigator.log" >&2; exit 1; }
fi
