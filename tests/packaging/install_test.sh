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

# The launcher, with no school set up, makes the user's demo school and starts on it.
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/home/.local/share"
mkdir -p "$HOME"
start_to_first_screen "$prefix/bin/karuvel" "$scratch"
[[ -f "$XDG_DATA_HOME/karuvel/school/共通データ.txt" ]] || fail "no demo school was made for the user"
echo "install tree: ok"
