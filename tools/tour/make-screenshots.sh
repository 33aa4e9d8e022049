#!/usr/bin/env bash
# Pictures of the main screens for the README, made from a fresh demo school
# under a virtual X server, so that they always show the program as it is:
#   tools/tour/make-screenshots.sh [OUTPUT_FOLDER]   (default docs/screenshots)
# Size: KARUVEL_TOUR_SIZE=WIDTHxHEIGHT (default 1024x768, the program's own).
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
install_packages run
out="${1:-$ROOT/docs/screenshots}"
size="${KARUVEL_TOUR_SIZE:-1024x768}"
build_project karuvel karuvel-make-demo karuvel-tour
mkdir -p "$out"
out=$(cd "$out" && pwd)

work=$(mktemp -d)
xvfb_pid=""
cleanup() { [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
# The demo school of a fixed day, so that the pictures change only when the program does.
"$BUILD/karuvel-make-demo" --date 2026-06-15 "$work/school" >/dev/null
"$BUILD/karuvel-make-demo" --path-file "$work/パスデータ.txt" "$work/school"

display=":$((90 + RANDOM % 9))"
Xvfb "$display" -screen 0 "${size}x24" -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
# The tour's program folder is the program's, so it reads the same question files.
cd "$BUILD/Karuvel"
DISPLAY="$display" QT_QPA_PLATFORM=xcb SDL_AUDIODRIVER=dummy KARUVEL_PATH_FILE="$work/パスデータ.txt" \
  "$BUILD/Karuvel/karuvel-tour" "$out"
