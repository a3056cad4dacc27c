#!/usr/bin/env bash
# Runs the README's code blocks as a new user would, in order, in one shell, from the source
# tree with a fresh HOME: every `sh` block must succeed, the `cpp` block is saved where the
# README says, and a block marked `<!-- readme-test: background -->` runs beside the ones after
# it until the end, when its output must show what they sent. A block marked
# `<!-- readme-test: skip (why) -->` is not run.
set -euo pipefail
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$source_dir"
work=$(mktemp -d "${TMPDIR:-/tmp}/oxsdk-readme.XXXXXX")
script=$work/readme.sh

# One script from the blocks; a background block becomes a job whose first output line is
# awaited, so that it watches before the next block runs.
awk -v work="$work" '
    /^<!-- readme-test: / { mark = $3; next }
    /^```/ && !inside { inside = 1; kind = substr($0, 4); n++; next }
    /^```/ && inside {
        inside = 0
        if (kind == "sh" && mark == "background") {
            printf "{ %s} >%s/background.%d 2>&1 &\n", body, work, n
            printf "echo $! >>%s/background.pids\n", work
            printf "for _ in $(seq 300); do [ -s %s/background.%d ] && break; sleep 0.1; done\n", work, n
        } else if (kind == "sh" && mark != "skip") {
            printf "%s", body
        }
        body = ""; mark = ""; next
    }
    inside && kind == "cpp" { print > "build/app.cc"; next }
    inside { body = body $0 "\n" }
' README.md >"$script"

cleanup() {
    local pid
    [ -f "$work/background.pids" ] && while read -r pid; do kill "$pid" 2>/dev/null || true; done \
        <"$work/background.pids"
    OXSDK_DEVICE_ROOT=$work/home/oxsdk-device build/default/tools/oxsdk/oxsdk --no-start stop \
        >/dev/null 2>&1 || true
    rm -rf "$work" build/app.cc build/app
}
trap cleanup EXIT

mkdir -p "$work/home"
status=0
env -u OXSDK_DEVICE_ROOT -u XDG_STATE_HOME HOME="$work/home" bash -e "$script" || status=$?
if [ "$status" -ne 0 ]; then
    echo "README: a command failed (status $status); the script run was:" >&2
    cat -n "$script" >&2
    exit 1
fi
shopt -s nullglob
for output in "$work"/background.*[0-9]; do
    if ! grep -q FlashMessage "$output"; then
        echo "README: the background block did not see the commands sent after it:" >&2
        cat "$output" >&2
        exit 1
    fi
done
echo "README: every block ran"
