#!/usr/bin/env bash
# Builds and runs the round-trip benchmark (bench/roundtrip/): the library's blocking round
# trip against the navigator emulator and a minimal navigator, beside the bare file exchange on
# system calls and a Unix socket, on tmpfs and on disk; system calls, heap allocations, four
# clients, a long route and a cold start. Prints one table with every target and PASS/MISS.
# strace and gnuplot are used when installed. Arguments go to the program:
#   bash bench/roundtrip.sh [--rounds N] [--count N] [--out DIR]
# OXSDK_BUILD_DIR and OXSDK_BUILD_PRESET choose another build (default: build/default).
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$source_dir"
bash scripts/install-deps.sh
preset=${OXSDK_BUILD_PRESET:-default}
build_dir=${OXSDK_BUILD_DIR:-$source_dir/build/$preset}

build_log=$(mktemp)
if ! { cmake --preset "$preset" && cmake --build --preset "$preset" --target oxsdk-roundtrip; } \
        >"$build_log" 2>&1; then
    cat "$build_log"
    rm -f "$build_log"
    echo "roundtrip: the build failed" >&2
    exit 1
fi
rm -f "$build_log"
exec "$build_dir/bench/oxsdk-roundtrip" --out "$build_dir/bench" "$@"
