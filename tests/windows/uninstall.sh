#!/usr/bin/env bash
# The uninstaller leaves nothing of the program (files, Start-menu entry, the entry
# in the list of programs); the school's data folder stays. Then a silent install
# without a data folder makes a demo school in the user's AppData, and its
# uninstall keeps that school too.
#   uninstall.sh WINDOWS_OUT WORK LINUX_BUILD
source "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh"
out="$1" work="$2"
prefix="$work/prefix"
[[ -f "$prefix/system.reg" ]] || fail "no Wine prefix with the program installed (windows_install)"
wine_session "$prefix"
inst="$prefix/drive_c/Program Files/Karuvel"
school="$work/school"
before="$(cd "$school" && find . -type f | sort)"

uninstall() {
  "$WINE" "$inst/uninstall.exe" /S
  "$WINESERVER" -w
  # The uninstaller runs from a copy in the temporary folder, which Windows deletes later.
  [[ ! -e "$inst" ]] || fail "left behind: $(cd "$inst" && find . | head)"
  ! ls "$prefix/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/"Karuvel*.lnk 2>/dev/null ||
    fail "the Start-menu entry is left"
  ! grep -q 'Uninstall\\\\Karuvel\]' "$prefix/system.reg" || fail "the entry in the list of programs is left"
  local left
  left="$(cd "$prefix/drive_c" && find . -iname '*karuvel*' -not -path './users/*/AppData/Roaming/Karuvel*' | head)"
  [[ -z "$left" ]] || fail "left behind: $left"
}

uninstall
[[ "$(cd "$school" && find . -type f | sort)" == "$before" ]] || fail "the data folder changed"

# Without a data folder: a demo school in the installing user's AppData.
"$WINE" "$(ls "$out"/Karuvel-*-setup.exe)" /S
"$WINESERVER" -w
demo="$(ls -d "$prefix"/drive_c/users/*/AppData/Roaming/Karuvel/demo-school)" || fail "no demo school in AppData"
[[ -f "$demo/共通データ.txt" ]] || fail "the demo school in AppData is incomplete"
iconv -f CP932 -t UTF-8 "$inst/パスデータ.txt" | grep -q 'AppData/Roaming/Karuvel/demo-school/,,,,,,,,,' ||
  fail "the path file does not name the demo school: $(iconv -f CP932 -t UTF-8 "$inst/パスデータ.txt")"
uninstall
[[ -f "$demo/共通データ.txt" ]] || fail "the uninstall removed the demo school"
rm -rf "$prefix"
echo "uninstalled: nothing of the program left; the data folders kept"
