#!/usr/bin/env bash
# run.sh: installs what is missing, builds KU.exe and starts it under Wine in its own prefix
# below the build folder (build/run-sandbox). A new prefix gets two demo programs installed (an
# NSIS setup listed in the "32Bit" view and a Windows Installer package listed in the first view)
# so that there is something to uninstall.
# With a display KU.exe runs until its window is closed. Without one it runs on a virtual
# display: the script saves a picture of the main window to build/screenshots/run.png, closes
# KU.exe and ends.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KU_BUILD_DIR:-$root/build}
sandbox=$build/run-sandbox
screenshot=$build/screenshots/run.png

# The prefix, with the demo programs on its first start.
prepare() {
  "$root/scripts/wine-sandbox" up "$sandbox"
  [ -f "$sandbox/demo-programs-installed" ] && return 0
  echo "Installing the demo programs into the new prefix"
  (
    source "$root/scripts/sandbox-env.sh"
    ku_sandbox_env "$sandbox"
    cd "$WINEPREFIX/drive_c"
    wine 'C:\kutest\fixtures\wizard\KuDemoAppSetup.exe' /S
    # The package for the prefix's Windows: a 64-bit one lists it in the main window's first view.
    msi='C:\kutest\fixtures\wizard\KuDemoMsi64.msi'
    [ "$WINEARCH" = win32 ] && msi='C:\kutest\fixtures\wizard\KuDemoMsi.msi'
    wine msiexec /qn /i "$msi"
  ) </dev/null >"$sandbox/demo-install.log" 2>&1 || {
    echo "Installing the demo programs failed; see $sandbox/demo-install.log" >&2
    return 1
  }
  touch "$sandbox/demo-programs-installed"
}

# Inside the prefix: asks KU.exe to close as its close button would (WM_CLOSE); /f ends it.
close_ku() {
  (
    source "$root/scripts/sandbox-env.sh"
    ku_sandbox_env "$sandbox"
    cd "$WINEPREFIX/drive_c"
    wine taskkill $1 /im KU.exe
  ) </dev/null >/dev/null 2>&1 || true
}

# The main window: KU.exe's top-level X window of the main window's size.
main_window() {
  xwininfo -root -tree 2>/dev/null | awk '/"Kelvane Uninstaller"/ && / 764x528/ {print $1; exit}'
}

headless() {
  prepare
  trap '"$root/scripts/wine-sandbox" down "$sandbox"' EXIT
  "$root/scripts/wine-run" "$sandbox" "$build/KU.exe" "$@" &
  local ku=$! window="" i
  for i in $(seq 1 120); do
    window=$(main_window)
    [ -n "$window" ] && break
    kill -0 "$ku" 2>/dev/null || break
    sleep 1
  done
  if [ -z "$window" ]; then
    echo "KU.exe showed no main window" >&2
    close_ku /f
    wait "$ku" || true
    return 1
  fi
  sleep 3 # the list is filled right after the window shows
  mkdir -p "$(dirname "$screenshot")"
  import -window "$window" "$screenshot"
  echo "Screenshot of the main window: $screenshot"
  close_ku ""
  for i in $(seq 1 30); do
    kill -0 "$ku" 2>/dev/null || break
    sleep 1
  done
  kill -0 "$ku" 2>/dev/null && close_ku /f
  wait "$ku" || true
}

if [ "${KU_RUN_HEADLESS:-}" = 1 ]; then
  headless "$@"
  exit
fi
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh" "$build"
if [ -n "${DISPLAY:-}" ]; then
  prepare
  trap '"$root/scripts/wine-sandbox" down "$sandbox"' EXIT
  "$root/scripts/wine-run" "$sandbox" "$build/KU.exe" "$@"
else
  echo "No display: KU.exe runs on a virtual display; screenshot in $screenshot"
  # The script itself runs again under the virtual display (a shell function would not
  # survive xvfb-run, which is a /bin/sh script).
  KU_RUN_HEADLESS=1 exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
