#!/usr/bin/env bash
# The Debian package: made by CPack, its dependencies worked out from the libraries,
# unpacked into a scratch folder, and its program started there to its first screen.
set -euo pipefail
BUILD="$1"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
source "$(dirname "${BASH_SOURCE[0]}")/first_screen.sh"

(cd "$BUILD" && cpack -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1) || { cat "$scratch/cpack.log"; fail "cpack failed"; }
debs=("$scratch"/out/karuvel_*.deb)
deb="${debs[0]:-}"
[[ -f "$deb" ]] || fail "no package made"
depends=$(dpkg-deb -f "$deb" Depends)
for need in libqt6widgets6 libqt6printsupport6 libicu libsdl2 fonts-ipafont-gothic; do
  [[ "$depends" == *"$need"* ]] || fail "Depends lacks $need: $depends"
done
contents=$(dpkg-deb -c "$deb")
[[ "$contents" == *"./etc/karuvel/パスデータ.txt"* ]] || fail "no path file under /etc"
conffiles=$(dpkg-deb --ctrl-tarfile "$deb" | tar -xO ./conffiles)
[[ "$conffiles" == "/etc/karuvel/パスデータ.txt" ]] || fail "the path file is not a conffile: $conffiles"

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
shopt -s nullglob
homes=("$root"/usr/lib/karuvel "$root"/usr/lib/*/karuvel)
home="${homes[0]:-}"
[[ -x "$home/Karuvel/karuvel" ]] || fail "no program in the package"
# A school's data root, named in the unpacked path file as an administrator would.
"$home/karuvel-make-demo" "$scratch/school" >/dev/null
"$home/karuvel-make-demo" --path-file "$root/etc/karuvel/パスデータ.txt" "$scratch/school"
# The link from /usr/lib to /etc is absolute (the package installs it at /usr/lib/karuvel).
[[ "$(readlink "$home/パスデータ.txt")" == "/etc/karuvel/パスデータ.txt" ]] || fail "path file link is not /etc/karuvel/パスデータ.txt: $(readlink "$home/パスデータ.txt")"

export HOME="$scratch/home"; mkdir -p "$HOME"
# Unpacked, not installed: the unpacked /etc is named as an administrator's path file would be.
export KARUVEL_PATH_FILE="$root/etc/karuvel/パスデータ.txt"
used=$("$root/usr/bin/karuvel" --path-file)
[[ "$used" == *"$scratch/school"* ]] || fail "--path-file does not name the school's data root: $used"
start_to_first_screen "$root/usr/bin/karuvel" "$scratch"
# It ran on the school named in the path file, not on a demo of the user's own.
[[ ! -e "$HOME/.local/share/karuvel" ]] || fail "the launcher ignored the school's path file"
echo "package: ok ($(basename "$deb"); Depends: $depends)"
