#!/usr/bin/env bash
# Builds the library, its DLL and its tests for 64-bit Windows with mingw-w64 (the win64
# preset) and runs the tests under wine, on a wine prefix inside build/win64.
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
# Across operating systems: the Linux build's client (and navigator) with the Windows
# navigator (and client) on one device root.
linux_tests=build/default/tests/oxsdk_platform_tests
if [ -x "$linux_tests" ]; then
    echo "== interop: Linux and Windows programs on one exchange folder"
    OXSDK_WINDOWS_NAVIGATOR="$PWD/build/win64/bin/oxsdk_platform_tests.exe" \
    OXSDK_WINE="$PWD/build/win64/wine-run.sh" \
        timeout 300 "$linux_tests" --gtest_filter='*InteropTest.*' || status=$?
fi
echo "== Visual C++ target: the C header, an import library, a caller's round trip"
bash tests/capi/msvc_caller_test.sh build/win64 || status=$?
# The prefix's server and services would otherwise linger for a while.
WINEPREFIX="$PWD/build/win64/wine-prefix" wineserver -k >/dev/null 2>&1 || true
echo "== win64: $((SECONDS - started)) s"
exit $status
