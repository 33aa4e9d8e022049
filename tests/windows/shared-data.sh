#!/usr/bin/env bash
# One data folder used by the Linux and the Windows program, through the program's
# own code (karuvel-records-probe, built for both):
# - a run stored by the Windows program is read byte for byte by the Linux program,
#   and the other way round;
# - two Windows instances append at once while a Windows records-manager rewrite runs:
#   nothing lost, nothing doubled;
# - a Linux PC holding the records sees a later Windows rewrite at its next activation
#   (the rewrite in place keeps the file's length and last record: only the stamp tells).
#   shared-data.sh WINDOWS_OUT WORK LINUX_BUILD
source "$(dirname "${BASH_SOURCE[0]}")/wine-session.sh"
out="$1" work="$2" linux="$3"
prefix="$work/prefix"
[[ -f "$prefix/system.reg" ]] || fail "no Wine prefix with the program installed (windows_install)"
wine_session "$prefix"
prog="$prefix/drive_c/Program Files/Karuvel/Karuvel"
[[ -f "$prog/karuvel.exe" ]] || fail "the program is not installed"

shared="$work/shared"
rm -rf "$shared"
mkdir -p "$shared"
"$linux/karuvel-make-demo" "$shared/school" >/dev/null
# The demo's own runs are left aside: the file starts empty.
results="$shared/school/Karuvel/成績累積データ.dat"
: >"$results"
rm -f "$results.stamp"
"$linux/karuvel-make-demo" --path-file "$shared/linux-path.txt" "$shared/school"
"$WINE" "$prog/karuvel-make-demo.exe" --path-file "$(winpath "$shared/windows-path.txt")" "$(winpath "$shared/school")"

cp "$out/karuvel-records-probe.exe" "$prog/"
trap 'rm -f "$prog/karuvel-records-probe.exe"; end_session' EXIT
lin() { KARUVEL_PATH_FILE="$shared/linux-path.txt" "$linux/Karuvel/karuvel-records-probe" "$@"; }
win() { KARUVEL_PATH_FILE="$(winpath "$shared/windows-path.txt")" "$WINE" "$prog/karuvel-records-probe.exe" "$@" | tr -d '\r'; }
file_hex() { od -An -v -tx1 "$results" | tr -d ' \n' | fold -w 88; echo; }
dump_hex() { cut -d' ' -f1; }

# Byte for byte, both ways.
win append 7 3 123 1 || fail "the Windows program could not store a run"
lin dump >"$shared/linux-dump.txt" || fail "the Linux program could not read the file"
[[ "$(cut -d' ' -f2- "$shared/linux-dump.txt")" == "7 3 123" ]] || fail "Linux read $(cat "$shared/linux-dump.txt")"
lin append 8 4 456 1 || fail "the Linux program could not store a run"
win dump >"$shared/windows-dump.txt" || fail "the Windows program could not read the file"
lin dump >"$shared/linux-dump.txt"
[[ "$(cut -d' ' -f2- "$shared/windows-dump.txt")" == $'7 3 123\n8 4 456' ]] || fail "Windows read $(cat "$shared/windows-dump.txt")"
cmp -s "$shared/windows-dump.txt" "$shared/linux-dump.txt" || fail "Linux and Windows read different records"
[[ "$(dump_hex <"$shared/linux-dump.txt")" == "$(file_hex | sed '/^$/d')" ]] || fail "the records read are not the file's bytes"

# Runs that the records manager will change, in the middle of the file.
lin append 3 1 200 50

# Two Windows instances append at once; a Windows rewrite runs while they do.
count=400
win append 1 1 1000 $count &
first=$!
win append 2 1 5000 $count &
second=$!
# The rewrite starts once both are appending.
for ((i = 0; i < 600; ++i)); do
  have=$(( $(stat -c %s "$results") / 44 ))
  (( have >= 52 + 40 )) && break
  sleep 0.2
done
win rewrite 3 100 || fail "the Windows rewrite failed"
during=$(( $(stat -c %s "$results") / 44 ))
wait "$first" || fail "the first Windows instance failed to append"
wait "$second" || fail "the second Windows instance failed to append"
after=$(( $(stat -c %s "$results") / 44 ))
echo "records: 52 before, $during when the rewrite ended, $after at the end"
(( during < after )) || echo "note: the appends ended before the rewrite did"

lin dump | cut -d' ' -f2- | sort >"$shared/after.txt"
{
  echo "7 3 123"
  echo "8 4 456"
  for ((t = 300; t < 350; ++t)); do echo "3 1 $t"; done
  for ((t = 1000; t < 1000 + count; ++t)); do echo "1 1 $t"; done
  for ((t = 5000; t < 5000 + count; ++t)); do echo "2 1 $t"; done
} | sort >"$shared/expected.txt"
diff "$shared/expected.txt" "$shared/after.txt" >"$shared/difference.txt" ||
  fail "records lost, doubled or not rewritten: $(head -20 "$shared/difference.txt")"

# The Linux PC's activations: it holds the records, a Windows PC rewrites the runs of
# pupil 3 (in the middle: the length and the last record stay), the next activation
# must show the change.
coproc WATCH { KARUVEL_PATH_FILE="$shared/linux-path.txt" "$linux/Karuvel/karuvel-records-probe" watch; }
# (A coprocess's pipes are not there in subshells: block runs in this shell and sorts
# its file afterwards.)
block() {
  local line
  : >"$1"
  while read -r -t 120 line <&"${WATCH[0]}"; do
    [[ "$line" == -- ]] && { sort -o "$1" "$1"; return 0; }
    echo "$line" >>"$1"
  done
  return 1
}
block "$shared/held-1.txt" || fail "the Linux activation did not answer"
cmp -s "$shared/held-1.txt" "$shared/expected.txt" || fail "the Linux PC holds other records than the file's"
win rewrite 3 -50 || fail "the second Windows rewrite failed"
echo >&"${WATCH[1]}"
block "$shared/held-2.txt" || fail "the Linux activation did not answer"
{
  echo "7 3 123"
  echo "8 4 456"
  for ((t = 250; t < 300; ++t)); do echo "3 1 $t"; done
  for ((t = 1000; t < 1000 + count; ++t)); do echo "1 1 $t"; done
  for ((t = 5000; t < 5000 + count; ++t)); do echo "2 1 $t"; done
} | sort >"$shared/expected-2.txt"
diff "$shared/expected-2.txt" "$shared/held-2.txt" >"$shared/difference.txt" ||
  fail "the Linux PC did not see the Windows rewrite: $(head -10 "$shared/difference.txt")"
watcher=$WATCH_PID
eval "exec ${WATCH[1]}>&-"
wait "$watcher" || true
echo "one data folder: byte for byte both ways; $((2 * count)) appends during a rewrite kept once each; the rewrite seen"
