# Shared settings of the build and test scripts (sourced, not run).
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=${WARDEN_JOBS:-2}

# Wine runs in a prefix of its own below build/, without Mono or Gecko.
export WINEPREFIX="$root/build/wine-prefix"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="
wine64=/usr/lib/wine/wine64
[ -x "$wine64" ] || wine64=$(command -v wine64 || command -v wine || echo wine64)

wine_prefix_ready() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "== creating the Wine prefix $WINEPREFIX"
    "$wine64" wineboot -i >/dev/null 2>&1 || true
  fi
}

# Never fails: under `set -e` a failing `wineserver -k` (no server running)
# would end the calling script.
stop_wine() {
  if command -v wineserver >/dev/null; then wineserver -k 2>/dev/null || true; fi
  if [ -x /usr/lib/wine/wineserver ]; then /usr/lib/wine/wineserver -k 2>/dev/null || true; fi
  return 0
}

build_preset() {
  local preset=$1
  echo "== building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
}
