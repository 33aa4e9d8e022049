#!/usr/bin/env bash
# Runs a Windows test program under Wine: run-under-wine.sh WINE PREFIX PROGRAM [ARGS...]
# The Wine prefix is made in PREFIX on first use (no display, no questions);
# its wineserver is started here and waited for at the end, so that nothing
# stays behind holding the test's output.
set -euo pipefail
wine="$1"
prefix="$2"
program="$3"
shift 3

wineserver=""
for candidate in "$(dirname "$wine")/wineserver64" "$(dirname "$wine")/wineserver" /usr/lib/wine/wineserver64 \
                 /usr/lib/wine/wineserver "$(command -v wineserver || true)"; do
  if [[ -n "$candidate" && -x "$candidate" ]]; then
    wineserver="$candidate"
    break
  fi
done
[[ -n "$wineserver" ]] || { echo "wineserver not found beside $wine" >&2; exit 1; }

export WINEPREFIX="$prefix"
export WINEDEBUG=-all
export WINEARCH=win64
export WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
export HOME="${HOME:-$prefix}"
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$prefix"
"$wineserver" -p5 </dev/null >/dev/null 2>&1 || true  # (one may run already for this prefix)
if [[ ! -f "$prefix/system.reg" ]]; then
  echo "Making the Wine prefix $prefix"
  "$wine" wineboot --init </dev/null >/dev/null 2>&1 || true
  "$wineserver" -w
  "$wineserver" -p5 </dev/null >/dev/null 2>&1 || true
fi

status=0
"$wine" "$program" "$@" </dev/null || status=$?
"$wineserver" -w
exit "$status"
