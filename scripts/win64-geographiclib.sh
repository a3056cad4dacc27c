#!/usr/bin/env bash
# Builds GeographicLib for the win64 cross build, so that the Windows emulator computes its
# geodesics on the same ellipsoid, with the same code, as the Linux one: the source of the
# Debian package that the Linux build links (same version), fetched with apt-get from a
# source list kept inside the build folder, compiled with the mingw-w64 toolchain as a static
# library and installed into build/win64-deps/geographiclib, where the win64 toolchain looks.
#
# A second run finds the library built from the same version and does nothing (the check
# costs no network and no compiler). Usage: bash scripts/win64-geographiclib.sh [PREFIX]
set -euo pipefail
source_dir=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix=${1:-$source_dir/build/win64-deps/geographiclib}
stamp=$prefix/built-from

# The version that the host's development package has, so that both builds agree.
version=$(dpkg-query -W -f='${source:Version}' libgeographiclib-dev 2>/dev/null || true)
[ -n "$version" ] || { echo "win64-geographiclib: libgeographiclib-dev is not installed" >&2; exit 1; }
built() { [ "$(cat "$stamp" 2>/dev/null)" = "geographiclib $version" ]; }
built && exit 0

work=$(dirname "$prefix")/geographiclib-work
mkdir -p "$work"
exec 9>"$work/lock"  # one build at a time when two configures start together
flock 9
built && exit 0
started=$SECONDS
echo "win64: building GeographicLib $version for Windows into $prefix (once per checkout)"
upstream=${version%-*}
upstream=${upstream#*:}

if ! ls "$work"/geographiclib_"$upstream".orig.tar.* >/dev/null 2>&1; then
    # A private source list, state and cache: the machine's apt configuration is not touched.
    mkdir -p "$work/apt/sources.list.d" "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
    codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
    mirror=$(grep -rhoE 'https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list.d/*.sources \
                 /etc/apt/sources.list 2>/dev/null | head -n 1 | tr -d ' ' || true)
    echo "deb-src ${mirror:-http://deb.debian.org/debian} $codename main" >"$work/apt/sources.list"
    apt_options=(-o "Dir::Etc::SourceList=$work/apt/sources.list" -o "Dir::Etc::SourceParts=$work/apt/sources.list.d"
                 -o "Dir::State::Lists=$work/apt/lists" -o "Dir::Cache=$work/apt/cache"
                 -o "APT::Sandbox::User=root" -qq)
    apt-get "${apt_options[@]}" update
    (cd "$work" && apt-get "${apt_options[@]}" source --download-only "geographiclib=$version")
    rm -rf "$work/apt"  # the source index, 20 MB, is not needed again
fi
rm -rf "$work/source" "$work/build"
mkdir -p "$work/source"
tar -xf "$work"/geographiclib_"$upstream".orig.tar.* -C "$work/source" --strip-components=1

# Only the library: no tools, manual pages or documentation.
cmake -S "$work/source" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$source_dir/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_DOCUMENTATION=OFF \
    -DBUILD_MANPAGES=OFF -DCMAKE_INSTALL_PREFIX="$prefix" >"$work/configure.log"
cmake --build "$work/build" --target GeographicLib_STATIC >"$work/build.log"

rm -rf "$prefix"
mkdir -p "$prefix/lib" "$prefix/include/GeographicLib"
find "$work/build" -name 'libGeographicLib*.a' -exec cp {} "$prefix/lib/libGeographicLib.a" \;
cp "$work/source"/include/GeographicLib/*.hpp "$work/source"/include/GeographicLib/*.h \
   "$prefix/include/GeographicLib/" 2>/dev/null || true
cp "$work/build/include/GeographicLib/Config.h" "$prefix/include/GeographicLib/"
[ -f "$prefix/lib/libGeographicLib.a" ] || { echo "win64-geographiclib: no library built" >&2; exit 1; }
echo "geographiclib $version" >"$stamp"
rm -rf "$work/source" "$work/build"
echo "win64: GeographicLib built in $((SECONDS - started)) s"
