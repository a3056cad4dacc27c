#!/usr/bin/env bash
# Counts the lines of product code and of tests, and prints their ratio.
#   code:  include/, src/, tools/, bindings/ (sources in C, C++, Python, C#), bindings' tests excluded
#   tests: tests/ (any source language, shell included), fuzz/ harnesses, the bindings' tests
# Seed corpora, benchmarks, examples, scripts, docs and build files are neither, nor are the
# files a generator writes (the C interface's command part, from the command catalogue).
#
#   bash scripts/code-size.sh            prints the three figures
#   bash scripts/code-size.sh --check    also fails when tests exceed a third of the code
set -euo pipefail
cd "$(dirname "$0")/.."

source_files() {  # folders...
    local folder
    for folder in "$@"; do
        [ -d "$folder" ] || continue
        find "$folder" -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' \
            -o -name '*.hpp' -o -name '*.py' -o -name '*.cs' -o -name '*.js' -o -name '*.sh' \) \
            -not -path '*/corpus/*' -not -path '*/__pycache__/*' \
            -not -name 'oxsdk5link_commands.h'
    done
}
is_binding_test() {  # path
    case "$1" in
        bindings/*/tests/*|bindings/*/test/*|bindings/*/*test_*.py|bindings/*/*Tests.cs) return 0 ;;
        *) return 1 ;;
    esac
}
count() { if [ $# -eq 0 ]; then echo 0; else cat "$@" | wc -l; fi; }

code=() tests=()
while IFS= read -r file; do
    if is_binding_test "$file"; then tests+=("$file"); else code+=("$file"); fi
done < <(source_files include src tools bindings | sort)
while IFS= read -r file; do tests+=("$file"); done < <(source_files tests fuzz | sort)

code_lines=$(count "${code[@]}")
test_lines=$(count "${tests[@]}")
percent=$(( (test_lines * 1000 / code_lines + 5) / 10 ))
echo "code: $code_lines lines in ${#code[@]} files; tests: $test_lines lines in ${#tests[@]} files; tests are $percent % of code"
if [ "${1:-}" = "--check" ] && [ $((test_lines * 3)) -gt "$code_lines" ]; then
    echo "tests exceed a third of the code" >&2
    exit 1
fi
