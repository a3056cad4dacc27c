#!/usr/bin/env bash
# Builds the library, the navigator emulator and the demo, installs the emulator on an
# emulated device as "Ostrel Navigator.exe", and runs the demo, which lets the library find
# and start it and then drives it through COstrelAPI. Exits with the demo's status.
#
# The device is a fresh temporary folder, removed at the end, unless OXSDK_DEVICE_ROOT names
# one (then it is kept). OXSDK_BUILD_DIR and OXSDK_BUILD_PRESET choose another build.
# OXSDK_DEMO_HTTP=127.0.0.1:PORT makes the emulator serve its live view there.
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

echo "Building oxsdk-demo, oxsdk-navigator and oxsdk (preset $preset) ..."
build_quietly demo "$preset" oxsdk-demo oxsdk-navigator oxsdk

navigator_binary=$build_dir/tools/oxsdk-navigator/oxsdk-navigator
demo_binary=$build_dir/tools/oxsdk-demo/oxsdk-demo
gazetteer=$source_dir/tools/oxsdk-navigator/data/places.csv

if [[ -n "${OXSDK_DEVICE_ROOT:-}" ]]; then
    device_root=$OXSDK_DEVICE_ROOT
    mkdir -p "$device_root"
    temporary_root=
else
    device_root=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-demo.XXXXXX")
    temporary_root=$device_root
fi
export OXSDK_DEVICE_ROOT=$device_root
log_file=$device_root/navigator.log

# Whatever happens, no navigator started by this demo outlives it, and a temporary device
# goes with it.
cleanup() {
    local window=$device_root/.windows/AldernWinClass pid
    if [[ -n "$started_here" && -f "$window" ]] && ! flock -n "$window" true 2>/dev/null; then
        pid=$(cat "$window" 2>/dev/null || true)
        if [[ "$pid" =~ ^[0-9]+$ ]] && grep -q oxsdk-navigator "/proc/$pid/cmdline" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
    fi
    if [[ -n "$temporary_root" ]]; then rm -rf "$temporary_root"; fi
}
started_here=
trap cleanup EXIT

# Install the emulator where the library looks for the navigator: a small launcher that
# starts the built program with its gazetteer and a log on the device.
install_folder="$device_root/Program Files/Ostrel"
mkdir -p "$install_folder"
cat >"$install_folder/Ostrel Navigator.exe" <<LAUNCHER
#!/bin/sh
exec "$navigator_binary" --gazetteer "$gazetteer" --time-scale 30 --log "$log_file" ${OXSDK_DEMO_HTTP:+--http "$OXSDK_DEMO_HTTP"} "\$@"
LAUNCHER
chmod 755 "$install_folder/Ostrel Navigator.exe"

window_file=$device_root/.windows/AldernWinClass
if [[ -f "$window_file" ]] && ! flock -n "$window_file" true 2>/dev/null; then
    echo "(a navigator already runs on this device; the demo uses it)"
else
    started_here=1
fi

echo
status=0
"$demo_binary" || status=$?
if [[ $status -ne 0 && -f "$log_file" ]]; then
    echo
    echo "navigator log ($log_file):"
    tail -n 40 "$log_file"
fi
cat <<WATCH

To watch the same session as it happens, run it on a device you keep, with the monitor
beside it and the emulator's live view in a browser:
  export OXSDK_DEVICE_ROOT=\$HOME/oxsdk-demo-device; mkdir -p -m 700 "\$OXSDK_DEVICE_ROOT"
  $build_dir/tools/oxsdk/oxsdk monitor &       # every command and reply, decoded
  OXSDK_DEMO_HTTP=127.0.0.1:8080 bash scripts/demo.sh   # then open the URL that
  cat "\$OXSDK_DEVICE_ROOT/.live-view-url"               # holds, while the navigator runs
WATCH
exit $status
