#!/usr/bin/env bash
# Builds the API reference (the `docs` target, Doxygen over include/OXSDK5Link/ with warnings
# treated as errors) and fails when Doxygen warns about anything, an undocumented public class
# or member included.
#
#   bash scripts/check-docs.sh        (build folder: build/check-docs)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${OXSDK_CHECK_DOCS_BUILD:-build/check-docs}
command -v doxygen >/dev/null || { echo "doxygen is not installed"; exit 1; }
cmake -S . -B "$build" -G Ninja -DOXSDK_BUILD_TESTS=OFF -DOXSDK_BUILD_BENCHMARKS=OFF \
    -DOXSDK_BUILD_TOOLS=OFF >/dev/null
rm -rf "$build/docs/html"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
cmake --build "$build" --target docs 2>&1 | tee "$log"
if grep -qi 'warning' "$log"; then
    echo "documentation warnings (see above)"
    exit 1
fi
test -f "$build/docs/html/index.html"
echo "docs check passed: $build/docs/html/index.html"
