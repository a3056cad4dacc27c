#!/usr/bin/env bash
# Compares the built library's interface with its record in abi/: the shared library's ABI
# (abidw, compared by abidiff) or the DLL's export list (the .def its link writes). A removed or
# changed symbol or type is an incompatible change and fails; an addition fails too, asking for
# the record to be updated in the same commit (the command to do so is printed).
#   check_abi.sh libOXSDK5Link.so | OXSDK5Link.def
set -euo pipefail
abi=$(cd "$(dirname "$0")/.." && pwd)/abi
built=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case "$built" in
*.def)
    record=$abi/OXSDK5Link.def
    names() { awk 'NR > 1 { print $1 }' "$1" | sort; }
    removed=$(comm -23 <(names "$record") <(names "$built"))
    added=$(comm -13 <(names "$record") <(names "$built"))
    if [ -n "$removed" ]; then
        printf 'incompatible: the DLL no longer exports\n%s\n' "$removed"
        exit 1
    fi
    if [ -n "$added" ]; then
        printf 'the DLL exports more than its record; update it in this commit:\n  cp %s %s\n%s\n' \
            "$built" "$record" "$added"
        exit 1
    fi
    echo "DLL exports: as recorded ($(names "$record" | wc -l) names)" ;;
*)
    record=$abi/libOXSDK5Link.abi
    headers=$(dirname "$abi")/include/OXSDK5Link
    write() { abidw --headers-dir "$headers" --drop-private-types --no-corpus-path \
                  --no-comp-dir-path --out-file "$1" "$built"; }
    write "$work/built.abi"
    status=0
    abidiff "$record" "$work/built.abi" >"$work/report" || status=$?
    if [ $((status & 8)) -ne 0 ] || [ $((status & 3)) -ne 0 ]; then
        cat "$work/report"
        echo "incompatible ABI change (abidiff status $status)"
        exit 1
    fi
    if [ $((status & 4)) -ne 0 ]; then
        cat "$work/report"
        echo "the ABI grew; update its record in this commit:"
        echo "  abidw --headers-dir include/OXSDK5Link --drop-private-types --no-corpus-path --no-comp-dir-path --out-file abi/libOXSDK5Link.abi $built"
        exit 1
    fi
    echo "shared library ABI: as recorded" ;;
esac
