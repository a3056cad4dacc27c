#!/usr/bin/env bash
# Builds and runs the round-trip benchmark (bench/roundtrip/): the library's blocking round
# trip against the navigator emulator and a minimal navigator, beside the bare file exchange on
# system calls and a Unix socket, on tmpfs and on disk; system calls, heap allocations, four
# clients, a long route and a cold start. Prints one table with every target and PASS/MISS.
# strace and gnuplot are used when installed. Arguments go to the program:
#   bash bench/roundtrip.sh [--rounds N] [--count N] [--out DIR]
# OXSDK_BUILD_DIR and OXSDK_BUILD_PRESET choose another build (default: build/default).
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/common.sh"

build_quietly roundtrip "$preset" oxsdk-roundtrip
exec "$build_dir/bench/oxsdk-roundtrip" --out "$build_dir/bench" "$@"
