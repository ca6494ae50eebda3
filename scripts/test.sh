#!/usr/bin/env bash
# test.sh [ctest arguments]: installs what is missing, builds everything and runs all tests
# under Wine in the private prefix of the build folder, with a virtual display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KU_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
exec xvfb-run -a -s "-screen 0 1280x1024x24" "$root/scripts/ctest-in-sandbox.sh" "$build" "$@"
