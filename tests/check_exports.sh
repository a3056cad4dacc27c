#!/usr/bin/env bash
# Fails when libOXSDK5Link.so exports a symbol that does not belong to one of the public
# classes, or when a public class is not exported at all.
set -euo pipefail
library="$1"
classes='COstrelAPI|COstrelFileLayer|MOstrelCommunicationLayerInterface|MOstrelSession|MCommandHandlerInterface|MArguments|CCsvArguments|CSdkBase'
symbols=$(nm -D --defined-only -C "$library" | awk '{ $1=""; $2=""; sub(/^  /, ""); print }')
stray=$(printf '%s\n' "$symbols" | grep -vE "^((typeinfo|typeinfo name|vtable) for )?($classes)(::|$)" || true)
if [ -n "$stray" ]; then
    echo "symbols exported outside the public classes:"
    printf '%s\n' "$stray"
    exit 1
fi
for class in ${classes//|/ }; do
    printf '%s\n' "$symbols" | grep -qE "^(typeinfo for )?$class(::|$)" || { echo "not exported: $class"; exit 1; }
done
echo "exports: $(printf '%s\n' "$symbols" | wc -l) symbols, all of the public classes"
