# The first steps shared by the scripts that build a program and run it (scripts/demo.sh,
# scripts/demo-windows.sh, bench/roundtrip.sh). Sourced, not run:
#   source "$(dirname "${BASH_SOURCE[0]}")/../scripts/lib/common.sh"
# Sets strict mode, makes the source tree the working folder ($source_dir), installs the
# packages, and sets $preset and $build_dir (OXSDK_BUILD_PRESET and OXSDK_BUILD_DIR choose
# another build than build/default).
set -euo pipefail

source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cd "$source_dir"
bash scripts/install-deps.sh
preset=${OXSDK_BUILD_PRESET:-default}
build_dir=${OXSDK_BUILD_DIR:-$source_dir/build/$preset}

# Configures and builds `targets` of preset `preset` quietly: the log is shown only when the
# build fails, and then the script ends with "`name`: the build failed".
build_quietly() {  # name preset targets...
    local name=$1 build_preset=$2 build_log
    shift 2
    build_log=$(mktemp)
    if ! { cmake --preset "$build_preset" &&
           cmake --build --preset "$build_preset" --target "$@"; } >"$build_log" 2>&1; then
        cat "$build_log"
        rm -f "$build_log"
        echo "$name: the build failed" >&2
        exit 1
    fi
    rm -f "$build_log"
}
