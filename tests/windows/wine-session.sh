# Sourced by the Windows tests: a Wine prefix and a virtual X server of their own.
#   wine_session PREFIX [SCREEN]     (SCREEN: WIDTHxHEIGHT, default 1024x768)
# Sets WINEPREFIX, DISPLAY; makes the prefix when it is not there; ends the X
# server and the prefix's Wine processes when the test ends.
# winpath PATH: the Windows form of a Linux path (Z:\...).
set -euo pipefail
export WINEDEBUG=-all WINEARCH=win64
# No Mono/Gecko questions, no desktop menus, no debugger waiting on a crash, and no sound
# device: the cues play silently.
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe,winedbg.exe,winealsa.drv,winepulse.drv,wineoss.drv="
# Qt for Windows picks its own platform (the tests' offscreen one is not there).
unset QT_QPA_PLATFORM SDL_AUDIODRIVER
WINE="${KARUVEL_WINE:-$(command -v wine64 || command -v wine || echo /usr/lib/wine/wine64)}"
WINESERVER="$(dirname "$WINE")/wineserver"
[[ -x "$WINESERVER" ]] || WINESERVER=/usr/lib/wine/wineserver64

xvfb_pid=""
end_session() {
  "$WINESERVER" -k >/dev/null 2>&1 || true
  [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null || true
}

wine_session() {
  export WINEPREFIX="$1"
  local screen="${2:-1024x768}"
  # A free display number, chosen by the X server itself.
  local fifo
  fifo="$(mktemp -u)"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 "${screen}x24" -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  local number
  read -r number <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$number"
  trap end_session EXIT
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    "$WINE" wineboot --init >/dev/null 2>&1 || true
    "$WINESERVER" -w
  fi
}

winpath() { echo "Z:$(realpath -m "$1" | tr / '\\')"; }

# wait_for_line FILE LINE SECONDS: true once FILE holds LINE (Windows line ends or not).
wait_for_line() {
  local i
  for ((i = 0; i < $3 * 2; ++i)); do
    tr -d '\r' 2>/dev/null <"$1" | grep -qx "$2" && return 0
    sleep 0.5
  done
  return 1
}

fail() { echo "FAILED: $*" >&2; exit 1; }
