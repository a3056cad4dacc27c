#!/usr/bin/env bash
# Runs the first program of docs/c-api.md, docs/python.md and docs/dotnet.md as the pages give
# them: the program's code block saved as first.c, first.py or first.cs, then the page's next
# `sh` block, with PREFIX naming a fresh installation of the build and the emulator installed on
# a fresh device. Each must print its route.
#   first_programs_test.sh [BUILD-FOLDER, default build/default]
set -euo pipefail
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$source_dir/build/default}" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-first.XXXXXX")
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
status=0
for entry in c-api.md:c:first.c python.md:python:first.py dotnet.md:csharp:first.cs; do
    IFS=: read -r page language file <<<"$entry"
    mkdir "$work/$language"
    # The first block of the language, then the first sh block after it.
    awk -v language="$language" -v program="$work/$language/$file" \
        -v commands="$work/$language/run.sh" '
        /^```/ && !inside { inside = 1; kind = substr($0, 4); next }
        /^```/ && inside { inside = 0; if (kind == language) seen = 1
                           else if (kind == "sh" && seen == 1) seen = 2; next }
        inside && kind == language && !seen { print > program }
        inside && kind == "sh" && seen == 1 { print > commands }
    ' "$source_dir/docs/$page"
    if ! output=$(cd "$work/$language" && PREFIX="$work/prefix" bash \
            "$source_dir/tests/capi/on_emulator_device.sh" \
            "$build/tools/oxsdk-navigator/oxsdk-navigator" \
            "$source_dir/tools/oxsdk-navigator/data/places.csv" bash -e run.sh 2>&1) ||
       ! grep -q "points, the last at" <<<"$output"; then
        echo "docs/$page: its first program failed:"
        echo "$output"
        status=1
    else
        echo "docs/$page: $(grep "points, the last at" <<<"$output")"
    fi
done
exit $status
