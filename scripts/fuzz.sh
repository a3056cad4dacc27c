#!/usr/bin/env bash
# Runs the libFuzzer targets of fuzz/ one after another, each for SECONDS, starting from its
# seed corpus in the repository. Builds them first with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer, coverage over the whole library) in build/fuzz. New inputs and
# crash reproducers go to a scratch folder (printed), never into the repository; promote a
# useful new input into fuzz/corpus/<target>/ by hand, and a crashing one into
# fuzz/findings/<target>/ until it is fixed.
#
#   scripts/fuzz.sh SECONDS [TARGET...]     (targets: the names of fuzz/*_fuzz.cc; default all)
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for source in fuzz/*_fuzz.cc; do
        name=$(basename "$source" _fuzz.cc)
        targets+=("$name")
    done
fi

if ! command -v clang++ >/dev/null; then
    echo "scripts/fuzz.sh needs clang with libFuzzer (Debian: apt-get install clang libclang-rt-dev)" >&2
    exit 1
fi

build=build/fuzz
flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
launcher=$(command -v ccache || true)
cmake -S . -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_COMPILER_LAUNCHER="$launcher" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    -DOXSDK_BUILD_LIBFUZZER=ON -DOXSDK_BUILD_TESTS=OFF -DOXSDK_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" --target "${targets[@]/#/fuzz_}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-fuzz.XXXXXX")
echo "new inputs and reproducers: $scratch"
status=0
summary=()
for target in "${targets[@]}"; do
    mkdir -p "$scratch/$target/new" "$scratch/$target/artifacts"
    log="$scratch/$target/log"
    echo "== $target: ${seconds}s"
    result=ok
    "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$scratch/$target/artifacts/" "$scratch/$target/new" \
        "fuzz/corpus/$target" >"$log" 2>&1 || result="FAILED (see $log)"
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -1 || true)
    [ "$result" = ok ] || status=1
    summary+=("$(printf '%-16s %12s executions %8s exec/s  %-10s %s' "$target" "${runs:-?}" \
        "${rate:-?}" "${coverage:-}" "$result")")
    echo "${summary[-1]}"
done
echo "== summary (${seconds}s per target)"
printf '%s\n' "${summary[@]}"
exit $status
