#!/usr/bin/env bash
# build.sh [BUILD_DIR]: configures and builds KU.exe, the tests and the fixtures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${KU_BUILD_DIR:-$root/build}}
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw32.cmake" >/dev/null
fi
cmake --build "$build" -j "$(nproc)"
