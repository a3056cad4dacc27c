#!/usr/bin/env bash
# Builds everything and runs all tests: the default preset, then the AddressSanitizer +
# UndefinedBehaviorSanitizer preset, then the installation and documentation checks, then the
# thread tests under ThreadSanitizer, then the Windows build and its tests under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

for preset in default asan; do
    echo "== $preset: configure and build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
done
for extra in scripts/check-install.sh scripts/check-docs.sh; do
    if [ -f "$extra" ]; then
        echo "== $extra"
        bash "$extra"
    fi
done
echo "== asan: tests"
ctest --preset asan
echo "== default: tests"
ctest --preset default
echo "== tsan: configure, build and run the thread tests"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan
echo "== win64: Windows build, tests under wine"
bash scripts/test-windows.sh
