#!/usr/bin/env bash
# ctest-in-sandbox.sh BUILD_DIR [ctest arguments]: boots the private prefix, runs ctest, stops Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
shift
KU_WINE_UNMANAGED=1 "$root/scripts/wine-sandbox" up "$build/sandbox"
KU_WINE_UNMANAGED=1 KU_WINEARCH=win32 "$root/scripts/wine-sandbox" up "$build/sandbox32"
trap '"$root/scripts/wine-sandbox" down "$build/sandbox"; KU_WINEARCH=win32 "$root/scripts/wine-sandbox" down "$build/sandbox32"' EXIT
source "$root/scripts/sandbox-env.sh"
ku_sandbox_env "$build/sandbox"
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" "$@"
