#!/usr/bin/env bash
# Fails when the shared library (libOXSDK5Link.so, or the Windows DLL) exports a symbol that
# does not belong to one of the public classes, or when a public class is not exported at all.
# A second argument --without-watcher says the library was built without COstrelWatcher (no
# GeographicLib): its classes are then not required.
set -euo pipefail
library="$1"
classes='COstrelAPI|COstrelFileLayer|MOstrelCommunicationLayerInterface|MOstrelSession|MCommandHandlerInterface|MArguments|CCsvArguments|CSdkBase'
if [ "${2:-}" != "--without-watcher" ]; then
    classes="$classes|COstrelWatcher|MWatchHandlerInterface"
fi
if [ "$(head -c 2 "$library")" = "MZ" ]; then
    # PE: the names of the export table, demangled. Virtual thunks of the public classes are
    # theirs too.
    objdump=$(command -v x86_64-w64-mingw32-objdump || command -v objdump)
    symbols=$("$objdump" -p "$library" |
        awk '/\[Ordinal\/Name Pointer\] Table/ { table = 1; next } table && /^\t\[/ { print $NF } table && /^$/ { table = 0 }' |
        c++filt | sed -E 's/^(virtual thunk to|non-virtual thunk to) //')
else
    symbols=$(nm -D --defined-only -C "$library" | awk '{ $1=""; $2=""; sub(/^  /, ""); print }')
fi
stray=$(printf '%s\n' "$symbols" |
    grep -vE "^((typeinfo|typeinfo name|vtable) for )?($classes)(::|$)|^oxsdk_[a-z0-9_]+$" || true)
if [ -n "$stray" ]; then
    echo "symbols exported outside the public classes:"
    printf '%s\n' "$stray"
    exit 1
fi
for class in ${classes//|/ }; do
    grep -qE "^(typeinfo for )?$class(::|$)" <<<"$symbols" || { echo "not exported: $class"; exit 1; }
done
# Members added to the classes over time, each of which an application may link against.
for member in COstrelFileLayer::WaitForCommand COstrelFileLayer::DescribeUntrustedDevice \
              COstrelFileLayer::SetReplyTimeout COstrelFileLayer::NewReplyLayer \
              COstrelFileLayer::GetDeviceRootFolder COstrelFileLayer::ListExchangeFiles \
              COstrelFileLayer::RemoveExchangeFile; do
    grep -qF "$member(" <<<"$symbols" || { echo "not exported: $member"; exit 1; }
done
grep -qF "COstrelAPI::GetLastStartFailure(" <<<"$symbols" || { echo "not exported: COstrelAPI::GetLastStartFailure"; exit 1; }
# Every function of the C interface, and only those, under its C name.
headers=$(dirname "$0")/../include/OXSDK5Link
declared=$(cat "$headers/oxsdk5link.h" "$headers/oxsdk5link_commands.h" | tr '\n' ' ' |
    grep -oE 'OXSDK_C_API [^(]*\boxsdk_[a-z0-9_]+\(' | grep -oE 'oxsdk_[a-z0-9_]+\($' | tr -d '(' | sort)
exported=$(printf '%s\n' "$symbols" | grep -E '^oxsdk_' | sort)
if [ "$declared" != "$exported" ]; then
    echo "C functions declared but not exported (<) or exported but not declared (>):"
    diff <(printf '%s\n' "$declared") <(printf '%s\n' "$exported") | grep '^[<>]'
    exit 1
fi
echo "exports: $(printf '%s\n' "$symbols" | wc -l) symbols, all of the public classes"
