#!/usr/bin/env bash
# run.sh: installs what is missing, builds KU.exe and starts it under Wine in its own prefix
# below the build folder. Without a display it runs on a virtual one and saves a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KU_BUILD_DIR:-$root/build}
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
sandbox=$build/run-sandbox
start() {
  "$root/scripts/wine-sandbox" up "$sandbox"
  trap '"$root/scripts/wine-sandbox" down "$sandbox"' EXIT
  "$root/scripts/wine-run" "$sandbox" "$build/KU.exe" "$@"
}
if [ -n "${DISPLAY:-}" ]; then
  start "$@"
else
  echo "No display: KU.exe runs on a virtual display; screenshot in $build/screenshots/run.png"
  export -f start
  export root build sandbox
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    start "$@" & pid=$!
    sleep 8; mkdir -p "$build/screenshots"
    import -window root "$build/screenshots/run.png" 2>/dev/null || true
    wait $pid' _ "$@"
fi
