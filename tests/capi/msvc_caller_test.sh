#!/usr/bin/env bash
# Visual C++ callers of the DLL, checked offline with the packaged LLVM tools: the C header in
# Microsoft mode (as C and as C++), an import library made by llvm-dlltool from the export
# record abi/OXSDK5Link.def, and tests/capi/msvc_caller.c built for the MSVC target and linked
# by lld-link, run under wine against the Windows emulator.
#   msvc_caller_test.sh WIN64-BUILD-FOLDER
set -euo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-msvc.XXXXXX")
trap 'rm -rf "$work"' EXIT
target=(--target=x86_64-pc-windows-msvc -fms-compatibility -Wall -Wextra -Werror)
for language in c c++; do
    clang "${target[@]}" -fsyntax-only -x "$language" -I"$source_dir/include" \
        "$source_dir/include/OXSDK5Link/oxsdk5link.h"
done
llvm-dlltool -m i386:x86-64 -D libOXSDK5Link.dll -d "$source_dir/abi/OXSDK5Link.def" \
    -l "$work/OXSDK5Link.lib"
printf 'LIBRARY kernel32.dll\nEXPORTS\nGetStdHandle\nWriteFile\nExitProcess\n' >"$work/kernel32.def"
llvm-dlltool -m i386:x86-64 -d "$work/kernel32.def" -l "$work/kernel32.lib"
clang "${target[@]}" -O1 -fno-stack-protector -c -I"$source_dir/include" \
    "$source_dir/tests/capi/msvc_caller.c" -o "$work/msvc_caller.obj"
lld-link /nologo /entry:mainCRTStartup /subsystem:console /nodefaultlib \
    "/out:$build/bin/msvc_caller.exe" "$work/msvc_caller.obj" "$work/OXSDK5Link.lib" \
    "$work/kernel32.lib"
bash "$source_dir/tests/capi/on_emulator_device.sh" "$build/bin/oxsdk-navigator.exe" \
    "$source_dir/tools/oxsdk-navigator/data/places.csv" --wine "$build/wine-run.sh" \
    "$build/bin/msvc_caller.exe"
echo "MSVC-target caller: round trip done"
