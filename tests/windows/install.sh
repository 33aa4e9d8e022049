#!/usr/bin/env bash
# The installer, silently into a fresh Wine prefix with the school's data folder as
# its switch; then the installed program starts on a demo school made by the
# Windows demo maker and reaches the name selection.
#   install.sh WINDOWS_OUT WORK LINUX_BUILD
source "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh"
out="$1" work="$2"
prefix="$work/prefix"
rm -rf "$work"
mkdir -p "$work"
wine_session "$prefix"
setup="$(ls "$out"/Karuvel-*-setup.exe)"
school="$work/school"

"$WINE" "$out/Karuvel/Karuvel/karuvel-make-demo.exe" "$(winpath "$school")" >/dev/null ||
  fail "karuvel-make-demo.exe did not make the demo school"
[[ -f "$school/共通データ.txt" && -f "$school/新名簿.txt" ]] || fail "the demo school is incomplete"

"$WINE" "$setup" /S "/DATA=$(winpath "$school")"
"$WINESERVER" -w
inst="$prefix/drive_c/Program Files/Karuvel"
for f in Karuvel/karuvel.exe Karuvel/karuvel-make-demo.exe Karuvel/Qt6Widgets.dll Karuvel/platforms/qwindows.dll \
         Karuvel/styles/qwindowsvistastyle.dll Karuvel/fonts/ipag.ttf Karuvel/fonts/IPA_Font_License_Agreement_v1.0.txt \
         Karuvel/データ.csv Karuvel/データ湾湖.csv uninstall.exe パスデータ.txt; do
  [[ -f "$inst/$f" ]] || fail "not installed: $f"
done
# The path file: code page 932, CR LF, the data folder then nine empty fields.
expected="$(winpath "$school" | tr '\\' /)/,,,,,,,,,"
[[ "$(iconv -f CP932 -t UTF-8 "$inst/パスデータ.txt")" == "$expected"$'\r' ]] ||
  fail "the path file holds $(od -c "$inst/パスデータ.txt" | head -3), not $expected"
grep -q 'Uninstall\\\\Karuvel\]' "$prefix/system.reg" || fail "no entry in the list of programs"
grep -q '"QuietUninstallString"=' "$prefix/system.reg" || fail "the entry has no uninstall command"
ls "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/"Karuvel*.lnk >/dev/null ||
  fail "no Start-menu entry"

# The installed program on the school: the name selection.
log="$work/screens.log"
rm -f "$log"
KARUVEL_SCREEN_LOG="$(winpath "$log")" "$WINE" "$inst/Karuvel/karuvel.exe" >"$work/karuvel.out" 2>&1 &
program=$!
wait_for_line "$log" namesel 180 || fail "the name selection did not show (screens: $(cat "$log" 2>/dev/null))"
sleep 3
import -window root "$work/installed-name-selection.png" 2>/dev/null || true
kill -0 "$program" 2>/dev/null || fail "the program ended at the name selection"
"$WINESERVER" -k
wait "$program" 2>/dev/null || true
echo "installed into $inst; the program reached the name selection"
