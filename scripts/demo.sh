#!/usr/bin/env bash
# Builds the library, the navigator emulator and the demo, installs the emulator on an
# emulated device as "Ostrel Navigator.exe", and runs the demo, which lets the library find
# and start it and then drives it through COstrelAPI. Exits with the demo's status.
#
# The device is a fresh temporary folder, removed at the end, unless OXSDK_DEVICE_ROOT names
# one (then it is kept). OXSDK_BUILD_DIR and OXSDK_BUILD_PRESET choose another build.
# OXSDK_DEMO_HTTP=127.0.0.1:PORT makes the emulator serve its live view there.
#
# --keep leaves the navigator running after the demo, on a device that is kept, with its live
# view on (OXSDK_DEMO_HTTP, else a free port of 127.0.0.1), so that `oxsdk`, `oxsdk monitor`
# and a browser can be used beside it; the script says how to stop it.
keep=
for argument in "$@"; do
    case $argument in
        --keep) keep=1 ;;
        *) echo "usage: bash scripts/demo.sh [--keep]" >&2; exit 2 ;;
    esac
done
source "$(dirname "${BASH_SOURCE[0]}")/lib/common.sh"

# Configures and builds the programs, showing how far the build is (the first one takes
# minutes); the log is shown only when it fails.
build_with_progress() {
    local build_log step last=
    build_log=$(mktemp)
    { cmake --preset "$preset" && cmake --build --preset "$preset" --target "$@"; } \
        >"$build_log" 2>&1 &
    local builder=$!
    while kill -0 "$builder" 2>/dev/null; do
        sleep 5
        step=$(grep -o '^\[[0-9]*/[0-9]*\]' "$build_log" | tail -n 1 || true)
        if [[ -n "$step" && "$step" != "$last" && "$step" != "[0/"* ]]; then
            echo "  build step ${step//[\[\]]/} ..."
            last=$step
        fi
    done
    if ! wait "$builder"; then
        cat "$build_log"
        rm -f "$build_log"
        echo "demo: the build failed" >&2
        exit 1
    fi
    rm -f "$build_log"
}

echo "Building oxsdk-demo, oxsdk-navigator and oxsdk (preset $preset; the first build takes" \
     "a few minutes) ..."
build_with_progress oxsdk-demo oxsdk-navigator oxsdk

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
if [[ -n "$keep" ]]; then
    OXSDK_DEMO_HTTP=${OXSDK_DEMO_HTTP:-127.0.0.1:0}
fi
export OXSDK_DEVICE_ROOT=$device_root
log_file=$device_root/navigator.log

# Whatever happens, no navigator started by this demo outlives it, and a temporary device
# goes with it.
cleanup() {
    local window=$device_root/.windows/AldernWinClass pid
    if [[ -n "$started_here" && -z "$kept" && -f "$window" ]] && ! flock -n "$window" true 2>/dev/null; then
        pid=$(cat "$window" 2>/dev/null || true)
        if [[ "$pid" =~ ^[0-9]+$ ]] && grep -q oxsdk-navigator "/proc/$pid/cmdline" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
        fi
    fi
    if [[ -n "$temporary_root" && -z "$kept" ]]; then rm -rf "$temporary_root"; fi
}
started_here=
kept=
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
"$demo_binary" ${keep:+--keep} || status=$?
if [[ $status -ne 0 && -f "$log_file" ]]; then
    echo
    echo "navigator log ($log_file):"
    tail -n 40 "$log_file"
fi
oxsdk=$build_dir/tools/oxsdk/oxsdk
if [[ -n "$keep" && $status -eq 0 ]]; then
    kept=1
    cat <<KEPT

The navigator keeps running on the device $device_root. Beside it, drive it by hand,
watch every command and reply as it passes, and open its live view in a browser:
  export OXSDK_DEVICE_ROOT=$device_root
  $oxsdk get-route-info
  $oxsdk monitor
  cat "$device_root/.live-view-url"
Stop it with:
  OXSDK_DEVICE_ROOT=$device_root $oxsdk stop${temporary_root:+ && rm -rf $device_root}
KEPT
else
    cat <<WATCH

To use the navigator beside the demo (oxsdk by hand, the monitor, the live view in a
browser), run the demo with --keep: it leaves the navigator running and says how to stop it.
WATCH
fi
exit $status
