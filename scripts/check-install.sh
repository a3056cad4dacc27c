#!/usr/bin/env bash
# Installs OXSDK5Link into a temporary prefix and checks that an application can be built
# against the installed package: examples/client is configured and built with
# find_package(OXSDK5Link) and run, then compiled once more with
# `pkg-config --cflags --libs oxsdk5link`. Also checks the library's SONAME and the programs.
#
#   bash scripts/check-install.sh        (build folder: build/check-install)
#   OXSDK_CHECK_INSTALL_BUILD=build/default bash scripts/check-install.sh
#                                        installs from a configured build of the same flags
#                                        (the test command's, so nothing is compiled twice)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=${OXSDK_CHECK_INSTALL_BUILD:-$root/build/check-install}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

echo "== build and install into $prefix"
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DOXSDK_BUILD_TESTS=OFF -DOXSDK_BUILD_BENCHMARKS=OFF >/dev/null
fi
cmake --build "$build" -j2
cmake --install "$build" --prefix "$prefix" >/dev/null

libdir=$(find "$prefix" -name 'libOXSDK5Link.so.*.*' -printf '%h\n' | head -n1)
test -n "$libdir" || { echo "no versioned libOXSDK5Link.so in the prefix"; exit 1; }
soname=$(objdump -p "$libdir"/libOXSDK5Link.so.*.* | awk '/SONAME/ {print $2}')
echo "SONAME: $soname"
[ "$soname" = "libOXSDK5Link.so.5" ] || { echo "unexpected SONAME $soname"; exit 1; }
test -L "$libdir/libOXSDK5Link.so" && test -L "$libdir/libOXSDK5Link.so.5"
test -f "$prefix/include/OXSDK5Link/OXSDK5Link.h"
test -f "$libdir/cmake/OXSDK5Link/OXSDK5LinkConfig.cmake"
test -f "$libdir/cmake/OXSDK5Link/OXSDK5LinkConfigVersion.cmake"
test -f "$libdir/pkgconfig/oxsdk5link.pc"
for program in oxsdk oxsdk-navigator; do
    if [ -f "$root/tools/$program/CMakeLists.txt" ]; then
        test -x "$prefix/bin/$program" || { echo "$program not installed"; exit 1; }
    fi
done
# The installed client finds the installed library on its own (RUNPATH $ORIGIN/../lib...).
"$prefix/bin/oxsdk" sdk-version
if [ -x "$prefix/bin/oxsdk" ]; then
    echo "== man pages and shell completion"
    for page in oxsdk oxsdk-navigator; do
        grep -q '^\.TH' "$prefix/share/man/man1/$page.1" || { echo "man page $page.1 not installed"; exit 1; }
    done
    test -s "$prefix/share/zsh/site-functions/_oxsdk" || { echo "zsh completion not installed"; exit 1; }
    # The installed bash completion offers an enumerator by name.
    bash -c 'source "$1"; COMP_WORDS=(oxsdk --json change-setting ESettingRouteF); COMP_CWORD=3
             _oxsdk; printf "%s\n" "${COMPREPLY[@]}"' _ "$prefix/share/bash-completion/completions/oxsdk" |
        grep -qx ESettingRouteFastest || { echo "bash completion does not complete"; exit 1; }
fi

echo "== example against the CMake package"
cmake -S "$root/examples/client" -B "$work/example" -G Ninja \
    -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/example"
export OXSDK_DEVICE_ROOT=$work/device
mkdir -p "$OXSDK_DEVICE_ROOT"
"$work/example/oxsdk-client-example" | tee "$work/example.out"
grep -q '^SDK version: 5.2 (223)$' "$work/example.out"
grep -q '^navigator running: no (errorCode -5)$' "$work/example.out"

echo "== example with pkg-config"
export PKG_CONFIG_PATH=$libdir/pkgconfig
# shellcheck disable=SC2046
c++ -std=c++17 -Wall -Wextra -Werror "$root/examples/client/main.cc" -o "$work/example-pc" \
    $(pkg-config --cflags --libs oxsdk5link)
LD_LIBRARY_PATH="$libdir" "$work/example-pc" | grep -q '^SDK version: 5.2 (223)$'
if [ -x "$prefix/bin/oxsdk-navigator" ]; then
    echo "== installed programs together: oxsdk and the example against oxsdk-navigator"
    "$prefix/bin/oxsdk-navigator" 2>"$work/navigator.log" &
    navigator=$!
    trap 'kill "$navigator" 2>/dev/null || true; wait "$navigator" 2>/dev/null || true; rm -rf "$work"' EXIT
    for _ in $(seq 300); do
        "$prefix/bin/oxsdk" status >/dev/null 2>&1 && break
        sleep 0.1
    done
    "$prefix/bin/oxsdk" --no-start --timeout 30 get-application-version
    timeout 60 "$work/example/oxsdk-client-example" OstrelNavigator | tee "$work/example.out"
    grep -q '^navigator version: ' "$work/example.out"
    "$prefix/bin/oxsdk" --timeout 30 stop
    wait "$navigator"
fi
echo "install check passed"
