#!/usr/bin/env bash
# The emulator's live view in a real headless Chromium: the emulator serves it on a free
# loopback port while the oxsdk client plans a long route, flashes a message and stores a
# favourite; two loads of the page, one after the other, must draw the route, the message and
# the favourite, and the vehicle at two different places; the map names the route's ends and
# places of its region, and no two labels (as the browser laid them out), nor a label and the
# vehicle, overlap or leave the map. A screenshot of a third load is kept in the artefact
# folder. Exits 77 (skipped) when Chromium is not installed.
# Usage: live_view_chromium.sh NAVIGATOR OXSDK GAZETTEER ARTEFACT_FOLDER
set -euo pipefail
navigator=$1 client=$2 gazetteer=$3 artefacts=$4
chromium=${OXSDK_CHROMIUM:-/usr/bin/chromium}
if [ ! -x "$chromium" ]; then
    echo "SKIP: no Chromium at $chromium (Debian package chromium)"
    exit 77
fi

work=$(mktemp -d)
chmod 700 "$work"
mkdir -m 700 "$work/device"
pid=
cleanup() {
    if [ -n "$pid" ]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    echo "--- navigator log:"; tail -n 20 "$work/navigator.log" 2>/dev/null || true
    exit 1
}

export OXSDK_DEVICE_ROOT=$work/device
# 30 simulated seconds per second: the 500 km to Paris take about ten minutes.
"$navigator" --device-root "$work/device" --gazetteer "$gazetteer" --time-scale 30 \
    --log "$work/navigator.log" --http 127.0.0.1:0 >"$work/out" &
pid=$!
for _ in $(seq 600); do
    grep -q '^live view: http://127.0.0.1:[0-9]*/?token=[0-9a-f]*$' "$work/out" && break
    kill -0 "$pid" 2>/dev/null || fail "the emulator ended: $(cat "$work/out")"
    sleep 0.1
done
url=$(sed -n 's|^live view: \(http://127.0.0.1:[0-9]*/?token=[0-9a-f]*\)$|\1|p' "$work/out")
[ -n "$url" ] || fail "the emulator printed no URL"
echo "live view at $url"

send() { "$client" --no-start --timeout 60 "$@" >/dev/null || fail "oxsdk $*"; }
send navigate-to-coordinates 48856614 2352222 "Paris"
send flash-message "Road works ahead" 0
send set-favorite 7 "Office" "" 52090700 5121400

# Each load has a profile of its own and reaches nothing but the emulator.
browse() {
    local profile=$1
    shift
    timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
        --disable-background-networking --disable-component-update --disable-sync \
        --no-proxy-server --user-data-dir="$work/profile-$profile" \
        --virtual-time-budget=3000 "$@" "$url" 2>>"$work/chromium.log"
}
# Where the vehicle is drawn: its place on the drawing and its coordinates (not its heading).
vehicle() { grep -o '<g id="vehicle"[^>]*>' <<<"$1" | grep -o 'translate([^)]*)\|data-lat="[^"]*"\|data-lon="[^"]*"' | tr '\n' ' ' || true; }

first=$(browse 1 --dump-dom) || fail "chromium failed: $(tail -n 5 "$work/chromium.log")"
second=$(browse 2 --dump-dom) || fail "chromium failed: $(tail -n 5 "$work/chromium.log")"
echo "first:  $(vehicle "$first")"
echo "second: $(vehicle "$second")"
grep -q 'data-lat=' <<<"$(vehicle "$first")" || fail "the first load drew no vehicle"
grep -q 'data-lat=' <<<"$(vehicle "$second")" || fail "the second load drew no vehicle"
[ "$(vehicle "$first")" != "$(vehicle "$second")" ] || fail "the vehicle did not move"
points=$(grep -o '<polyline id="route"[^>]*>' <<<"$second" | grep -o '[0-9.-]*,[0-9.-]*' | wc -l)
[ "$points" -gt 100 ] || fail "the route has $points drawn points"
grep -q 'Road works ahead' <<<"$second" || fail "the flashed message is not shown"
grep -q '7: Office' <<<"$second" || fail "the favourite is not drawn"

# The labels: "Start: ...", "To: ..." and the places, each with the box its text was given.
labels=$(grep -o '<text [^>]*class="label [a-z -]*"[^>]*>[^<]*' <<<"$second" |
         sed -n 's/.*class="label \([a-z]*\)[^"]*".*data-box="\([^"]*\)"[^>]*>\(.*\)/\1|\2|\3/p')
echo "labels: $(cut -d'|' -f3 <<<"$labels" | paste -sd, -)"
grep -qx 'end|.*|Start: Amsterdam' <<<"$labels" || fail "the start is not named"
grep -qx 'end|.*|To: Paris' <<<"$labels" || fail "the destination is not named"
region=$(grep -cE '^place\|.*\|(Rotterdam|Den Haag|Antwerpen|Brussel|Gent|Lille|Eindhoven)$' <<<"$labels" || true)
[ "$region" -ge 3 ] || fail "$region of the route's large places are named"
vehicle_at=$(grep -o '<g id="vehicle"[^>]*>' <<<"$second" | sed -n 's/.*translate(\([0-9.-]*\) \([0-9.-]*\)).*/\1 \2/p')
clash=$(cut -d'|' -f2,3 <<<"$labels" | awk -F'|' -v vehicle="$vehicle_at" '
    { split($1, b, " "); x[NR] = b[1]; y[NR] = b[2]; w[NR] = b[3]; h[NR] = b[4]; name[NR] = $2 }
    END {
        split(vehicle, v, " "); x[0] = v[1] - 14; y[0] = v[2] - 14; w[0] = 28; h[0] = 28; name[0] = "the vehicle"
        for (i = 1; i <= NR; ++i) {
            if (x[i] < 0 || y[i] < 64 || x[i] + w[i] > 1000 || y[i] + h[i] > 800) print name[i] " leaves the map"
            for (j = 0; j < i; ++j)
                if (x[i] < x[j] + w[j] && x[j] < x[i] + w[i] && y[i] < y[j] + h[j] && y[j] < y[i] + h[i])
                    print name[i] " overlaps " name[j]
        }
    }')
[ -z "$clash" ] || fail "labels clash: $clash"

mkdir -p "$artefacts"
browse 3 --window-size=1280,800 --screenshot="$artefacts/live-view.png" >/dev/null ||
    fail "no screenshot"
[ -s "$artefacts/live-view.png" ] || fail "the screenshot is empty"
echo "screenshot: $artefacts/live-view.png"
