#!/usr/bin/env bash
# Builds the library, its DLL and its tests for 64-bit Windows with mingw-w64 (the win64
# preset) and runs the tests under wine, on a wine prefix inside build/win64. Where the Linux
# build (build/default) is there, also runs its programs with the Windows ones on one device,
# and the demo of each build to compare their emulators' answers (scripts/compare-demos.sh).
# The first configure builds GeographicLib for Windows (scripts/win64-geographiclib.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

started=$SECONDS
echo "== win64: configure and build"
cmake --preset win64 >/dev/null
cmake --build --preset win64-tests
echo "== win64: tests under wine"
status=0
ctest --preset win64 || status=$?
# The same answers from the Linux and the Windows emulator (the demo of each build).
if [ -x build/default/tools/oxsdk-demo/oxsdk-demo ]; then
    echo "== the Linux and the Windows emulator answer the same"
    timeout 600 bash scripts/compare-demos.sh || status=$?
fi
echo "== Visual C++ target: the C header, an import library, a caller's round trip"
bash tests/capi/msvc_caller_test.sh build/win64 || status=$?
# The prefix's server and services would otherwise linger for a while.
WINEPREFIX="$PWD/build/win64/wine-prefix" wineserver -k >/dev/null 2>&1 || true
echo "== win64: $((SECONDS - started)) s"
exit $status
