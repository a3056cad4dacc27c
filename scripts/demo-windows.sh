#!/usr/bin/env bash
# The demo with the Windows programs under wine: builds oxsdk-demo.exe and oxsdk-navigator.exe
# (preset win64), installs the emulator on a temporary device as "Ostrel Navigator.exe" with its
# places file beside it, and runs the demo, which lets the library find, start, drive and stop
# it. Exits with the demo's status; the device goes at the end, and with it anything the demo
# left running on the build's wine prefix.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

bash scripts/win64-geographiclib.sh  # once per checkout, with its progress shown
build_quietly demo win64 oxsdk-demo oxsdk-navigator

bin=$PWD/build/win64/bin
device_root=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-demo.XXXXXX")
cleanup() {
    WINEPREFIX="$PWD/build/win64/wine-prefix" wineserver -k >/dev/null 2>&1 || true
    rm -rf "$device_root"
}
trap cleanup EXIT
mkdir -p "$device_root/Programs/Navigation/data"
cp "$bin/oxsdk-navigator.exe" "$device_root/Programs/Navigation/Ostrel Navigator.exe"
cp "$bin/data/places.csv" "$device_root/Programs/Navigation/data/"

windows_root="Z:${device_root//\//\\}"  # wine's drive Z: is the host's "/"
OXSDK_DEVICE_ROOT=$windows_root build/win64/wine-run.sh "$bin/oxsdk-demo.exe"
