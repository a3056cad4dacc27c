#!/usr/bin/env bash
# Builds everything and runs all tests: the default preset, the AddressSanitizer +
# UndefinedBehaviorSanitizer preset, the installation and documentation checks, the README's
# commands, the thread tests under ThreadSanitizer, and the Windows build with its tests under
# wine. Ends with the count of code and test lines.
#
# Test runs wait on processes and files more than they compute, so each runs in the background
# beside the next build; its output is printed whole when it ends. The script goes on after a
# failure and fails at the end, naming every step that failed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

started=$SECONDS
logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
failed=()
declare -A background=()

step() {  # NAME COMMAND...: runs in the foreground
    local name=$1 status=0 begun=$SECONDS
    shift
    echo "== $name"
    "$@" || status=$?
    echo "== $name: $((SECONDS - begun)) s"
    [ "$status" -eq 0 ] || failed+=("$name")
    return 0
}
start() {  # NAME COMMAND...: runs in the background, output kept for finish
    local name=$1
    shift
    echo "== $name: started"
    (begun=$SECONDS; status=0; "$@" || status=$?; echo "== $name: $((SECONDS - begun)) s"
     exit "$status") >"$logs/${name//[^a-z0-9]/_}" 2>&1 &
    background[$name]=$!
}
finish() {  # NAME: waits for a background step and prints its output
    local name=$1 status=0
    wait "${background[$name]}" || status=$?
    echo "== $name"
    cat "$logs/${name//[^a-z0-9]/_}"
    [ "$status" -eq 0 ] || failed+=("$name")
}
build() { cmake --preset "$1" >/dev/null && cmake --build --preset "$1"; }

step "default: configure and build" build default
start "default: tests" ctest --preset default
step "asan: configure and build" build asan
finish "default: tests"
start "asan: tests" ctest --preset asan
step "install check" env OXSDK_CHECK_INSTALL_BUILD=build/default bash scripts/check-install.sh
step "documentation check" bash scripts/check-docs.sh
step "C, Python and C#: the docs' first programs from an installed prefix" \
    bash tests/docs/first_programs_test.sh
step "README: every command of its code blocks" bash tests/docs/readme_test.sh
step "tsan: configure, build and run the thread tests" \
    bash -c 'cmake --preset tsan >/dev/null && cmake --build --preset tsan && ctest --preset tsan'
step "win64: configure and build what its tests run" \
    bash -c 'cmake --preset win64 >/dev/null && cmake --build --preset win64-tests'
finish "asan: tests"
step "win64: tests under wine, and across operating systems" \
    bash scripts/test-windows.sh

echo "== $((SECONDS - started)) s"
bash scripts/code-size.sh
if [ ${#failed[@]} -gt 0 ]; then
    printf 'failed: %s\n' "${failed[@]}"
    exit 1
fi
