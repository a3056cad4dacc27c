#!/usr/bin/env bash
# Installs the navigator emulator on a fresh device as "Ostrel Navigator.exe" and runs COMMAND
# there (OXSDK_DEVICE_ROOT names the device), which starts it through the library:
#   on_emulator_device.sh EMULATOR PLACES [--wine WINE-RUN] COMMAND [ARGUMENTS...]
# With --wine, the emulator and COMMAND are Windows programs run by WINE-RUN.
set -euo pipefail
emulator=$1 places=$2
shift 2
wine_run=
if [ "$1" = --wine ]; then wine_run=$2; shift 2; fi
root=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-device.XXXXXX")
trap 'pkill -f -- "$root" 2>/dev/null || true; rm -rf "$root"' EXIT
mkdir -p "$root/Programs/data"
if [ -n "$wine_run" ]; then
    cp "$emulator" "$root/Programs/Ostrel Navigator.exe"
    cp "$places" "$root/Programs/data/places.csv"
    OXSDK_DEVICE_ROOT="Z:${root//\//\\}" "$wine_run" "$@"
else
    printf '#!/bin/sh\nexec "%s" --gazetteer "%s" --log "%s/navigator.log" "$@"\n' \
        "$emulator" "$places" "$root" >"$root/Programs/Ostrel Navigator.exe"
    chmod 755 "$root/Programs/Ostrel Navigator.exe"
    OXSDK_DEVICE_ROOT=$root "$@" || { cat "$root/navigator.log" >&2 2>/dev/null; exit 1; }
fi
