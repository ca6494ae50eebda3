# Sourced by the sandbox scripts: the environment of the private Wine prefix under $1.
# Everything Wine writes (prefix, profile folders, Recycle Bin, caches) stays below it.
ku_sandbox_env() {
  local dir=$1
  mkdir -p "$dir/home"
  export KU_SANDBOX_DIR=$(cd "$dir" && pwd)
  export WINEPREFIX=$KU_SANDBOX_DIR/prefix
  export WINEARCH=${KU_WINEARCH:-win64}
  export HOME=$KU_SANDBOX_DIR/home
  export XDG_DATA_HOME=$HOME/.local/share
  export XDG_CONFIG_HOME=$HOME/.config
  export XDG_CACHE_HOME=$HOME/.cache
  export XDG_RUNTIME_DIR=$HOME/.run
  mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
  export WINEDEBUG=${WINEDEBUG:--all}
  # No Mono or Gecko download prompts, no host menu entries or file associations.
  export WINEDLLOVERRIDES="mscoree=d;mshtml=d;winemenubuilder.exe=d${KU_DLLOVERRIDES:+;$KU_DLLOVERRIDES}"
  export KU_MARKER=$WINEPREFIX/drive_c/kelvane-sandbox.txt
}

# Drive letters other than C: would reach host folders (Z: is the host's "/").
ku_sandbox_unlink_drives() {
  local link
  for link in "$WINEPREFIX"/dosdevices/*; do
    case "$(basename "$link")" in
      c:) ;;
      [a-z]:|[a-z]::) rm -f "$link" ;;
    esac
  done
}

ku_sandbox_is_private() {
  [ -f "$KU_MARKER" ] && [ ! -e "$WINEPREFIX/dosdevices/z:" ] && [ ! -L "$WINEPREFIX/dosdevices/z:" ]
}
