#!/usr/bin/env bash
# The tour on the installed Windows program: sign-in, practice, a map-level run with
# a wrong press, a list level to the finish screen, the criteria editor and the
# records manager, a picture of each (also how docs/screenshots/windows is made).
#   tour.sh WINDOWS_OUT WORK LINUX_BUILD PICTURES [WIDTHxHEIGHT]
source "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh"
out="$1" work="$2" pictures="$4" screen="${5:-1024x768}"
prefix="$work/prefix"
[[ -f "$prefix/system.reg" ]] || fail "no Wine prefix with the program installed (windows_install)"
wine_session "$prefix" "$screen"
prog="$prefix/drive_c/Program Files/Karuvel/Karuvel"
[[ -f "$prog/karuvel.exe" ]] || fail "the program is not installed"

# A demo school of a fixed day, so that the pictures change only when the program does.
tour_work="$work/tour"
rm -rf "$tour_work"
mkdir -p "$tour_work" "$pictures"
rm -f "$pictures"/*.png
"$WINE" "$prog/karuvel-make-demo.exe" --date 2026-06-15 "$(winpath "$tour_work/school")" >/dev/null
"$WINE" "$prog/karuvel-make-demo.exe" --path-file "$(winpath "$tour_work/パスデータ.txt")" "$(winpath "$tour_work/school")"
results="$tour_work/school/Karuvel/成績累積データ.dat"
before=$(stat -c %s "$results" 2>/dev/null || echo 0)
# The tour stands in the program folder, as the program does, only while it runs.
cp "$out/karuvel-tour.exe" "$prog/"
trap 'rm -f "$prog/karuvel-tour.exe"; end_session' EXIT
# The cues go to a sound device, ALSA's null device through Wine's ALSA driver, so that
# they are played by Windows' own player (a PC without a device plays them silently);
# Wine's trace of winmm tells how each one went.
printf 'pcm.!default { type null }\n' >"$tour_work/asound.conf"
KARUVEL_PATH_FILE="$(winpath "$tour_work/パスデータ.txt")" WINEDEBUG=+winmm \
  WINEDLLOVERRIDES="${WINEDLLOVERRIDES/winealsa.drv,/}" ALSA_CONFIG_PATH="/usr/share/alsa/alsa.conf:$tour_work/asound.conf" \
  "$WINE" "$prog/karuvel-tour.exe" "$(winpath "$pictures")" >"$tour_work/tour.out" 2>&1 ||
  { grep -v ':trace:' "$tour_work/tour.out" | tail -40; fail "the tour stopped"; }
played=$(grep -c 'proc_PlaySound Done playing=.*=> ok!' "$tour_work/tour.out" || true)
! grep -q 'proc_PlaySound Done playing=.*=> ko!' "$tour_work/tour.out" ||
  fail "Windows' player could not play a cue: $(grep -m1 'Done playing=.*ko!' "$tour_work/tour.out")"
((played > 0)) || fail "no cue was played by Windows' player"
for p in name-selection dashboard drill-practice drill-map-correction drill-list-right finish criteria-editor \
         records-manager; do
  [[ $(stat -c %s "$pictures/$p.png" 2>/dev/null || echo 0) -gt 10000 ]] || fail "no picture $p.png"
done
# The run of the list level was stored: the school's results file grew by its record.
[[ $(stat -c %s "$results") -gt $before ]] || fail "no run stored"
echo "pictures in $pictures; $played cues played by Windows' player"
