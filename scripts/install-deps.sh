#!/usr/bin/env bash
# Installs the Debian packages the project builds with, when they are missing. As root it runs
# apt-get itself; otherwise it prints the command to run and fails.
set -euo pipefail

packages=(cmake g++ ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
          libcli11-dev nlohmann-json3-dev doxygen help2man libpugixml-dev libgeographiclib-dev
          libcpp-httplib-dev chromium  # the emulator's live view (--http) and its browser test
          abigail-tools mono-mcs mono-runtime python3-pytest  # the ABI record, C# and Python
          clang lld llvm  # Visual C++ callers of the DLL, checked with the LLVM tools
          googletest g++-mingw-w64-x86-64-posix wine wine64)  # the last line: the Windows build
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "${missing[@]}" >/dev/null
else
    echo "Missing Debian packages: ${missing[*]}" >&2
    echo "Install them with: sudo apt-get install -y ${missing[*]}" >&2
    exit 1
fi
