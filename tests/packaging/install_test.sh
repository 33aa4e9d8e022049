#!/usr/bin/env bash
# cmake --install into a scratch prefix: the program folder as the program expects
# it, the launcher, the desktop entry, the icons and the AppStream data, all valid.
set -euo pipefail
BUILD="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/prefix"
cmake --install "$BUILD" --prefix "$prefix" >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/first_screen.sh"
shopt -s nullglob
homes=("$prefix"/lib/karuvel "$prefix"/lib/*/karuvel)
[[ ${#homes[@]} -ge 1 ]] || fail "no program home under $prefix/lib"
home="${homes[0]}"
[[ -x "$home/Karuvel/karuvel" ]] || fail "the executable is not in $home/Karuvel"
n=$(ls "$home/Karuvel"/データ*.csv | wc -l)
[[ "$n" -eq 6 ]] || fail "expected the six question files beside the executable, found $n"
[[ -x "$home/karuvel-make-demo" ]] || fail "the demo maker is missing"
# The path file beside the program folder reaches the one under etc.
[[ -L "$home/パスデータ.txt" ]] || fail "the path file beside the program folder is not a link"
[[ -f "$home/パスデータ.txt" ]] || fail "the path file link does not resolve: $(readlink "$home/パスデータ.txt")"
[[ "$(readlink -f "$home/パスデータ.txt")" == "$prefix/etc/karuvel/パスデータ.txt" ]] || fail "the path file link leaves the prefix"
[[ "$(cat "$prefix/etc/karuvel/パスデータ.txt")" == "$prefix/var/lib/karuvel/,,,,,,,,,"$'\r' ]] || fail "unexpected default path file: $(cat -A "$prefix/etc/karuvel/パスデータ.txt")"
[[ -x "$prefix/bin/karuvel" ]] || fail "no launcher on the PATH"
for s in 16 24 32 48 64 128 256; do
  [[ -f "$prefix/share/icons/hicolor/${s}x${s}/apps/org.karuvel.Karuvel.png" ]] || fail "no ${s}px icon"
done
[[ -f "$prefix/share/icons/hicolor/scalable/apps/org.karuvel.Karuvel.svg" ]] || fail "no scalable icon"
desktop-file-validate "$prefix/share/applications/org.karuvel.Karuvel.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/org.karuvel.Karuvel.metainfo.xml" >/dev/null \
  || { appstreamcli validate --no-net "$prefix/share/metainfo/org.karuvel.Karuvel.metainfo.xml"; fail "AppStream data invalid"; }
# Every screenshot the AppStream data names is a picture the repository has, and the
# licence is the program's.
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
metainfo="$prefix/share/metainfo/org.karuvel.Karuvel.metainfo.xml"
while read -r shot; do
  [[ -f "$source_dir/docs/screenshots/$shot" ]] || fail "the AppStream screenshot $shot is not in docs/screenshots"
done < <(grep -o '<image>[^<]*</image>' "$metainfo" | sed -E 's#.*/([^/<]+)</image>#\1#')
grep -q '<project_license>GPL-3.0-or-later' "$metainfo" || fail "the AppStream licence is not GPL-3.0-or-later"
grep -q '^StartupWMClass=karuvel$' "$prefix/share/applications/org.karuvel.Karuvel.desktop" || fail "no StartupWMClass"

# The licence, copyright, changelog and manual pages, where Debian keeps them.
doc="$prefix/share/doc/karuvel"
for f in copyright changelog.gz README.md about.txt; do
  [[ -f "$doc/$f" ]] || fail "no $f in share/doc/karuvel"
done
[[ "$(zcat "$doc/changelog.gz" | head -n 1)" == "karuvel ("* ]] || fail "the changelog is not a Debian changelog"
for page in karuvel karuvel-make-demo; do
  man1="$prefix/share/man/man1/$page.1.gz"
  [[ -f "$man1" ]] || fail "no manual page $page(1)"
  # Rendered without a warning of the formatter, and naming its program.
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' man --warnings -E UTF-8 -l "$man1" 2>&1 >/dev/null || true)
  [[ -z "$warnings" ]] || fail "$page(1) has formatting warnings: $warnings"
  LC_ALL=C.UTF-8 man -E UTF-8 -l "$man1" 2>/dev/null | grep -q "^NAME" || fail "$page(1) does not render"
done

# The launcher, with no school set up, makes the user's demo school and starts on it;
# --path-file names the folder really used, before and after.
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share"
mkdir -p "$HOME"
used=$("$prefix/bin/karuvel" --path-file)
[[ "$used" == *"$XDG_DATA_HOME/karuvel/school"* ]] || fail "--path-file does not name the user's demo school: $used"
[[ ! -e "$XDG_DATA_HOME/karuvel/school" ]] || fail "--path-file made something"
start_to_first_screen "$prefix/bin/karuvel" "$scratch"
[[ -f "$XDG_DATA_HOME/karuvel/school/共通データ.txt" ]] || fail "no demo school was made for the user"
used=$("$prefix/bin/karuvel" --path-file)
[[ "$used" == *"データフォルダ (data root): $XDG_DATA_HOME/karuvel/school"* ]] || fail "--path-file after the first start: $used"
echo "install tree: ok"
