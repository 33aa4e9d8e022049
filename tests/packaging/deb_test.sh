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
shopt -s nullglob
debs=("$scratch"/out/karuvel_*.deb)
deb="${debs[0]:-}"
[[ -f "$deb" ]] || fail "no package made"
# What a Debian maintainer checks first: no lintian error or warning (the warnings
# that stay are overridden in the package, each with its reason).
if command -v lintian >/dev/null; then
  lintian --allow-root --no-tag-display-limit "$deb" >"$scratch/lintian.log" 2>&1 || true
  if grep -E '^[EW]: ' "$scratch/lintian.log"; then fail "lintian reports errors or warnings (above)"; fi
fi
for doc in copyright changelog.gz; do
  [[ "$(dpkg-deb -c "$deb")" == *"./usr/share/doc/karuvel/$doc"* ]] || fail "no /usr/share/doc/karuvel/$doc in the package"
done
[[ "$(dpkg-deb -c "$deb")" == *"./usr/share/man/man1/karuvel.1.gz"* ]] || fail "no manual page in the package"
# The Description: one paragraph, no line begun by a list's ";", none past 80 columns.
description=$(dpkg-deb -f "$deb" Description)
! grep -qE '^ ?;' <<<"$description" || fail "a line of the Description begins with ';': $description"
! awk 'length($0) > 80 { bad = 1 } END { exit !bad }' <<<"$description" || fail "a line of the Description is longer than 80 columns"
dbgsyms=("$scratch"/out/karuvel-dbgsym_*.ddeb "$scratch"/out/karuvel-dbgsym_*.deb)
[[ -f "${dbgsyms[0]:-}" || -f "${dbgsyms[1]:-}" ]] || fail "no karuvel-dbgsym package beside the program's"
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
